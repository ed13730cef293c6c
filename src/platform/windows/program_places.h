#pragma once

#include <QString>
#include <QStringList>

// Where the cache, the language files and the user's data are on Windows. A portable copy (no
// uninstaller beside it, a folder we may write) keeps its cache and language files beside itself;
// an installed one keeps the cache in the user's local application data and reads language files
// from the user's roaming folder, then from the program's.
struct WindowsPlaces {
    QString cacheFolder;
    QStringList languageFolders; // the first holding a name wins
    QString dataFolder;
};

// localData and roamingData: %LOCALAPPDATA% and %APPDATA%.
WindowsPlaces windowsPlaces(const QString& programFolder, const QString& localData,
                            const QString& roamingData);

// The uninstaller the installer leaves beside the program: it marks an installed copy.
inline QString uninstallerName()
{
    return QStringLiteral("uninstall.exe");
}
