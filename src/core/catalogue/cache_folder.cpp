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

QString CacheFolder::serverCheckFile() const
{
    return path_ + QStringLiteral("/server.dat");
}

QString CacheFolder::thumbnailFolder() const
{
    return path_ + QStringLiteral("/thumbnails");
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
    const qint64 claimed = file.size();
    if (claimed > listformat::MaxListBytes)
        throw AppError::overflow();
    // Up to one byte past the limit: a file may hold more than it claimed a moment ago. The
    // buffer starts at what it claimed, not at the limit: a buffer of the limit's size, however
    // little of it is filled, leaves the allocator keeping that much for every later block.
    QByteArray bytes(claimed + 1, Qt::Uninitialized);
    qint64 got = 0;
    qint64 read = 0;
    while ((read = file.read(bytes.data() + got, bytes.size() - got)) > 0) {
        got += read;
        if (got == bytes.size() && got <= listformat::MaxListBytes)
            bytes.resize(qMin(2 * got, listformat::MaxListBytes + 1));
    }
    if (read < 0 || file.error() != QFileDevice::NoError)
        throw AppError::pathFileAccess();
    if (got > listformat::MaxListBytes)
        throw AppError::overflow();
    bytes.truncate(got);
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
