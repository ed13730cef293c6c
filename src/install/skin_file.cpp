#include "install/skin_file.h"

#include "app/app_error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace {

AppError errorOf(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::ResourceError:
        return AppError::diskFull();
    case QFileDevice::PermissionsError:
        return AppError::permissionDenied();
    default:
        return AppError::pathFileAccess();
    }
}

// Qt reports a full disk as a plain write error; the free space tells the two apart.
AppError writeErrorOf(const QSaveFile& out, const QString& target, qint64 needed)
{
    const QStorageInfo disk(QFileInfo(target).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < needed)
        return AppError::diskFull();
    return errorOf(out.error());
}

bool folderWritable(const QString& path)
{
    return QFileInfo(QFileInfo(path).absolutePath()).isWritable();
}

} // namespace

void copySkinFile(const QString& source, const QString& target)
{
    const QFileInfo existing(target);
    if (existing.isDir())
        throw AppError::pathFileAccess();
    // Messenger would see a write-protected background as one not to be replaced, although a
    // rename could replace it here.
    if (existing.exists() && !existing.isWritable())
        throw AppError::permissionDenied();

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (!in.exists())
            throw AppError::fileNotFound();
        throw QFileInfo(source).isReadable() ? AppError::pathFileAccess()
                                             : AppError::permissionDenied();
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (!QFileInfo(existing.absolutePath()).isDir())
            throw AppError::pathNotFound();
        throw folderWritable(target) ? errorOf(out.error()) : AppError::permissionDenied();
    }

    constexpr qint64 Chunk = 64 * 1024;
    for (;;) {
        const QByteArray bytes = in.read(Chunk);
        if (bytes.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                throw AppError::pathFileAccess(); // the unfinished copy goes with `out`
            break;
        }
        if (out.write(bytes) != bytes.size())
            throw writeErrorOf(out, target, in.size());
    }
    if (!out.commit())
        throw writeErrorOf(out, target, in.size());
}

void deleteSkinFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw AppError::fileNotFound();
    if (!info.isWritable() || !folderWritable(path))
        throw AppError::permissionDenied();
    QFile file(path);
    if (!file.remove())
        throw errorOf(file.error());
}
