#include "core/install/skin_file_copy.h"

#include "core/app_error.h"
#include "files/regular_file.h"
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
    // A link is replaced itself; what it points to is neither written nor asked.
    if (!existing.isSymLink()) {
        if (existing.isDir())
            throw AppError::pathFileAccess();
        // Messenger would see a write-protected background as one not to be replaced,
        // although a rename could replace it here.
        if (existing.exists() && !existing.isWritable())
            throw AppError::permissionDenied();
    }

    QFile in;
    if (!openRegularFile(in, source)) {
        const QFileInfo info(source);
        if (!info.exists())
            throw AppError::fileNotFound();
        throw info.isReadable() ? AppError::pathFileAccess() : AppError::permissionDenied();
    }
    SafeFile out(target, SafeFile::Durability::Flushed, SafeFile::Links::Replace);
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
    if (!info.exists() && !info.isSymLink())
        throw AppError::fileNotFound();
    // A link goes, never what it points to: only its folder decides.
    if ((!info.isSymLink() && !info.isWritable()) || !folderWritable(path))
        throw AppError::permissionDenied();
    QFile file(path);
    if (!file.remove())
        throw errorOf(file.error());
}
