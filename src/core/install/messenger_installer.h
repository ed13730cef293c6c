#pragma once

#include <QString>
#include <QStringList>

class RegistryReader;

// Puts a picture in place as Messenger's background in every Messenger folder, or removes it,
// keeping what it replaces. Messenger shows the change once its windows have been closed (the
// caller's part: see windowClasses). Failures rise as AppError.
class MessengerInstaller {
public:
    // backupsFolder: where copies of replaced backgrounds go; empty when there is none.
    MessengerInstaller(RegistryReader& registry, QString backupsFolder);

    // false, and nothing done, when pictureFile is no ordinary file. Throws AppError 481 when
    // it is no picture (nothing written then), 76 when no Messenger folder exists.
    bool install(const QString& pictureFile);
    // Removes the background (in any capitals) from every Messenger folder.
    void remove();
    // Messenger's top-level windows, in the order they are asked to close.
    static QStringList windowClasses();

private:
    RegistryReader& registry_;
    QString backupsFolder_;
};
