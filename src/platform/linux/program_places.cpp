#include "platform/linux/program_places.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool folderWritableByUs(const QString& folder)
{
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid == ::geteuid())
        return (st.st_mode & S_IWUSR) != 0;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? count : 0);
    if (count > 0 && ::getgroups(count, groups.data()) != count)
        groups.clear();
    groups.push_back(::getegid());
    for (const gid_t group : groups) {
        if (group == st.st_gid)
            return (st.st_mode & S_IWGRP) != 0;
    }
    return (st.st_mode & S_IWOTH) != 0;
}

ProgramPlaces programPlaces(const QString& programFolder, const QString& cacheHome,
                            const QString& dataHome)
{
    // A program in <prefix>/bin finds its shipped files in <prefix>/share/drapello.
    const QString shipped =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/drapello/languages"));
    const bool installed = QFileInfo(shipped).isDir();
    if (!installed && folderWritableByUs(programFolder))
        return {programFolder + QStringLiteral("/Cache"), {programFolder}};
    // The user's own files come first, so that a corrected copy replaces a shipped one.
    return {
        cacheHome + QStringLiteral("/Drapello/Cache"),
        {dataHome + QStringLiteral("/Drapello/languages"), installed ? shipped : programFolder}};
}
