#include "platform/linux/wine_server.h"

#include "files/linux/regular_file_descriptor.h"
#include "files/regular_file.h"
#include "platform/linux/private_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The server's lock is a POSIX record lock on the whole file; F_GETLK reports it without taking
// or disturbing it (the same check `wineserver -k` makes to find the server).
bool lockHeldByOtherProcess(const QString& lockPath)
{
    // Never through a link: the lock must be the server's own file.
    const int fd = openRegularFileDescriptor(lockPath, O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct flock query = {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    const bool held = ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

// Debian's Wine names its temporary folder in <prefix>/wineserver, e.g. "wine-aO8GlK".
QString debianServerParentName(const QString& prefix)
{
    QFile file;
    if (!openRegularFile(file, prefix + QStringLiteral("/wineserver")))
        return {};
    const QString name = QFile::decodeName(file.read(256).trimmed());
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return {};
    return name;
}

} // namespace

QStringList wineServerFolders(const QString& prefix)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(prefix).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return {};
    const QString serverName = QStringLiteral("server-%1-%2")
                                   .arg(QString::number(static_cast<qulonglong>(info.st_dev), 16),
                                        QString::number(static_cast<qulonglong>(info.st_ino), 16));

    QStringList temps{QDir::tempPath()};
    if (!temps.contains(QStringLiteral("/tmp")))
        temps << QStringLiteral("/tmp");
    QStringList parents;
    const QString debianName = debianServerParentName(prefix);
    for (const QString& temp : temps) {
        if (!debianName.isEmpty())
            parents << temp + QLatin1Char('/') + debianName;
        parents << temp + QStringLiteral("/.wine-") + QString::number(::getuid());
    }
    QStringList folders;
    for (const QString& parent : parents)
        folders << parent + QLatin1Char('/') + serverName;
    return folders;
}

bool wineServerRunning(const QString& prefix)
{
    for (const QString& folder : wineServerFolders(prefix)) {
        // As Wine itself: a server folder, or its parent in the shared temporary folder, that is
        // not the user's own and closed to others may be another user's fake.
        if (!isPrivateFolder(QFileInfo(folder).path()) || !isPrivateFolder(folder))
            continue;
        if (lockHeldByOtherProcess(folder + QStringLiteral("/lock")))
            return true;
    }
    return false;
}
