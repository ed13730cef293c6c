#include "files/safe_file.h"

#include <QDir>
#include <io.h>
#include <windows.h>

bool SafeFile::fail(Failure failure)
{
    if (failure_ == Failure::None)
        failure_ = failure;
    if (scratch_)
        scratch_.reset(); // removes the file
    else
        file_.cancelWriting();
    return false;
}

namespace {
SafeFile::Failure failureOf(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return SafeFile::Failure::DiskFull;
    case QFileDevice::PermissionsError:
        return SafeFile::Failure::Denied;
    default:
        return SafeFile::Failure::Other;
    }
}

SafeFile::Failure failureOf(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return SafeFile::Failure::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return SafeFile::Failure::Denied;
    default:
        return SafeFile::Failure::Other;
    }
}
} // namespace

bool SafeFile::open()
{
    if (links_ == Links::Replace) {
        // QSaveFile would write to a link's target; our own file moved over the name replaces
        // the link itself.
        scratch_ = std::make_unique<QTemporaryFile>(file_.fileName() + QStringLiteral(".XXXXXX"));
        if (scratch_->open())
            return true;
        return fail(failureOf(*scratch_));
    }
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    return fail(failureOf(file_));
}

// Unbuffered: every write reaches the file at once and reports its own failure.
bool SafeFile::write(const char* data, qint64 size)
{
    if (failure_ != Failure::None || !device().isOpen())
        return false;
    if (device().write(data, size) != size)
        return fail(failureOf(device()));
    written_ += size;
    return true;
}

bool SafeFile::commit()
{
    if (failure_ != Failure::None || !device().isOpen())
        return false;
    if (!device().flush())
        return fail(failureOf(device()));
    if (device().size() != written_)
        return fail(Failure::Other);
    if (scratch_) {
        const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(scratch_->handle()));
        if (durability_ == Durability::Flushed && !FlushFileBuffers(handle))
            return fail(failureOf(GetLastError()));
        const QString from = QDir::toNativeSeparators(scratch_->fileName());
        const QString to = QDir::toNativeSeparators(file_.fileName());
        scratch_->close(); // a file still open cannot be moved
        if (!MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()),
                         reinterpret_cast<const wchar_t*>(to.utf16()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return fail(failureOf(GetLastError()));
        scratch_->setAutoRemove(false); // it is the target now
        return true;
    }
    if (!file_.commit())
        return fail(failureOf(file_));
    return true;
}
