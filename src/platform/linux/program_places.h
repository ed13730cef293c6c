#pragma once

#include <QString>
#include <QStringList>

// Where the cache and the language files are. A portable copy (a program folder we may write,
// not laid out as an installed program) keeps both beside itself; an installed or read-only copy
// keeps the cache per user and reads language files from the user's folder and the program's.
struct ProgramPlaces {
    QString cacheFolder;
    QStringList languageFolders; // the first holding a name wins
};

// cacheHome and dataHome: the user's $XDG_CACHE_HOME and $XDG_DATA_HOME (or their defaults).
ProgramPlaces programPlaces(const QString& programFolder, const QString& cacheHome,
                            const QString& dataHome);

// By the folder's mode bits for our user and groups. Root is not let off: a folder that says
// read-only is treated as one.
bool folderWritableByUs(const QString& folder);
