#pragma once

#include <QString>

struct CommandLine {
    bool loadCache = false; // "loadcache" anywhere, any capitalisation
    QString path;           // a picture to make ready, when not loadCache
};

// Reads the program's argument text (the arguments joined by single blanks). One pair of
// surrounding double quotes is stripped from a path; an unquoted path is taken as it stands.
CommandLine parseCommandLine(const QString& argumentText);

// The picture a later start names, found from the folder it was started in as that start would
// have found it; empty when it names none.
QString pictureNamedBy(const QString& argumentText, const QString& folder);

// An ordinary file (not a folder) exists at path.
bool isOrdinaryFile(const QString& path);
