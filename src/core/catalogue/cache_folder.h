#pragma once

#include <QString>
#include <utility>

// The Cache folder beside the program: the list copies ("<name>.tmp"), the last preview
// ("temp.dat"), and during a refresh the list copies it replaces.
class CacheFolder {
public:
    explicit CacheFolder(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }
    // The copy of the list `name` ("voruzide" for the categories).
    QString listCopy(const QString& name) const;
    // Where a preview's picture is downloaded.
    QString previewFile() const;
    // Where a server's category list lands while the server is checked.
    QString serverCheckFile() const;
    // Where small pictures of skins are kept.
    QString thumbnailFolder() const;

    // Creates the folder when no directory of that name exists. Throws AppError 75 when that
    // fails.
    void ensureExists() const;
    // Deletes the list copies; temp.dat and everything else stay. Nothing is reported.
    void flushListCopies() const;

    // The whole file as list text. Throws AppError 53 when it is gone, 75 when it cannot be read
    // or is not a regular file, 6 when it is larger than a list can be.
    static QString readList(const QString& path);

    // A refresh keeps the list copies it replaces in a folder inside Cache until its pass has
    // loaded the new ones, so that a failed refresh can put them back. The folder's presence
    // marks a refresh in progress, also across a crash.
    bool refreshPending() const;
    // Moves every list copy into that folder. After an interrupted refresh the copies kept then
    // are the last complete ones: they are put back first. false when nothing could be moved.
    bool setAsideListCopies() const;
    // Puts the kept copies back, replacing whatever copy stands in their place, and ends the
    // refresh. Copies the refresh brought that have no kept counterpart are the caller's to
    // delete first.
    void restoreListCopies() const;
    // The refresh succeeded: the kept copies go.
    void dropSetAsideCopies() const;

private:
    QString setAsideFolder() const;

    QString path_;
};
