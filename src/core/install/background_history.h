#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class RegistryReader;

// One background the history shows: Messenger's background now, or a copy kept of one.
struct BackgroundEntry {
    QString path;
    // When the copy was made, as its name says; else the file's last change.
    QDateTime when;
    // The Messenger folder's name; empty when a copy's name does not tell.
    QString messengerFolder;
    bool installed = false; // Messenger shows it now
    bool ours = false;      // a copy this program made, which it may delete
};

// The backgrounds installed now and the copies in the backups folder, read afresh when asked.
class BackgroundHistory {
public:
    BackgroundHistory(RegistryReader& registry, QString backupsFolder);

    // The installed backgrounds in lookup order, then the copies, newest first.
    QList<BackgroundEntry> entries() const;
    const QString& backupsFolder() const { return backupsFolder_; }

private:
    RegistryReader& registry_;
    QString backupsFolder_;
};
