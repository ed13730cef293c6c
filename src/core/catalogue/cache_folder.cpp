#include "core/catalogue/cache_folder.h"

#include "core/app_error.h"
#include "core/catalogue/list_format.h"
#include "files/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString CacheFolder::listCopy(const QString& name) const
{
    return path_ + QLatin1Char('/') + name + QStringLiteral(".tmp");
}

QString CacheFolder::previewFile() const
{
    return path_ + QStringLiteral("/temp.dat");
}

void CacheFolder::ensureExists() const
{
    if (QFileInfo(path_).isDir())
        return;
    if (!QDir().mkpath(path_))
        throw AppError::pathFileAccess();
}

QString CacheFolder::readList(const QString& path)
{
    QFile file;
    if (!openRegularFile(file, path))
        throw QFileInfo::exists(path) ? AppError::pathFileAccess() : AppError::fileNotFound();
    if (file.size() > listformat::MaxListBytes)
        throw AppError::overflow();
    // One byte past the limit: a file may hold more than it claimed a moment ago.
    const QByteArray bytes = file.read(listformat::MaxListBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw AppError::pathFileAccess();
    if (bytes.size() > listformat::MaxListBytes)
        throw AppError::overflow();
    return listformat::decodeList(bytes);
}

namespace {
QStringList listCopiesIn(const QDir& folder)
{
    // Hidden too: the copy of an empty category name is ".tmp".
    return folder.entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
}

void moveReplacing(const QString& from, const QString& to)
{
    if (!QFile::rename(from, to)) {
        QFile::remove(to);
        QFile::rename(from, to);
    }
}
} // namespace

void CacheFolder::flushListCopies() const
{
    const QDir cache(path_);
    if (!cache.exists())
        return;
    for (const QString& name : listCopiesIn(cache))
        QFile::remove(cache.filePath(name));
}

QString CacheFolder::setAsideFolder() const
{
    // No list copy can be this: their names all end in ".tmp".
    return path_ + QStringLiteral("/before-refresh");
}

bool CacheFolder::refreshPending() const
{
    return QFileInfo(setAsideFolder()).isDir();
}

bool CacheFolder::setAsideListCopies() const
{
    if (refreshPending())
        restoreListCopies();
    const QDir kept(setAsideFolder());
    if (!QDir().mkpath(kept.path()))
        return false;
    const QDir folder(path_);
    for (const QString& name : listCopiesIn(folder))
        moveReplacing(folder.filePath(name), kept.filePath(name));
    return true;
}

void CacheFolder::restoreListCopies() const
{
    const QDir kept(setAsideFolder());
    for (const QString& name : listCopiesIn(kept))
        moveReplacing(kept.filePath(name), path_ + QLatin1Char('/') + name);
    // A copy that could not be moved back keeps the refresh pending rather than being lost.
    QDir().rmdir(kept.path());
}

void CacheFolder::dropSetAsideCopies() const
{
    QDir(setAsideFolder()).removeRecursively();
}
