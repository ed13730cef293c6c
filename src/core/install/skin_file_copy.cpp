#include "core/install/skin_file_copy.h"

#include "core/app_error.h"
#include "files/safe_file.h"

#include <QFile>
#include <QFileInfo>

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

AppError errorOf(SafeFile::Failure failure)
{
    switch (failure) {
    case SafeFile::Failure::DiskFull:
        return AppError::diskFull();
    case SafeFile::Failure::Denied:
        return AppError::permissionDenied();
    default:
        return AppError::pathFileAccess();
    }
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
    SafeFile out(target);
    if (!out.open()) {
        if (!QFileInfo(existing.absolutePath()).isDir())
            throw AppError::pathNotFound();
        throw folderWritable(target) ? errorOf(out.failure()) : AppError::permissionDenied();
    }

    constexpr qint64 Chunk = 64 * 1024;
    for (;;) {
        const QByteArray bytes = in.read(Chunk);
        if (bytes.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                throw AppError::pathFileAccess(); // the unfinished copy goes with `out`
            break;
        }
        if (!out.write(bytes))
            throw errorOf(out.failure());
    }
    if (!out.commit())
        throw errorOf(out.failure());
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
