#include "platform/linux/private_folder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

bool isPrivateFolder(const QString& path)
{
    struct stat info = {};
    // Cleaned: with a trailing slash, lstat would follow a link.
    return !path.isEmpty() &&
           ::lstat(QFile::encodeName(QDir::cleanPath(path)).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

QString privateRuntimeFolder()
{
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    if (!runtime.isEmpty())
        qWarning("XDG_RUNTIME_DIR (%s) is not a private folder of this user; not used.",
                 qUtf8Printable(runtime));

    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    QDir().mkpath(cache);
    const QString fallbacks[] = {QDir::tempPath() + QStringLiteral("/drapello-") +
                                     QString::number(::getuid()),
                                 cache + QStringLiteral("/drapello")};
    for (const QString& folder : fallbacks) {
        // mkdir takes over nothing that is already there; the check decides whether it will do.
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        if (isPrivateFolder(folder))
            return folder;
        qWarning("%s is not a private folder of this user; not used for the one-copy lock.",
                 qUtf8Printable(folder));
    }
    return {};
}
