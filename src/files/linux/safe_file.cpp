#include "files/safe_file.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
SafeFile::Failure failureOf(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return SafeFile::Failure::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return SafeFile::Failure::Denied;
    default:
        return SafeFile::Failure::Other;
    }
}
} // namespace

SafeFile::~SafeFile() = default;

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

bool SafeFile::open()
{
    errno = 0;
    if (durability_ == Durability::Unflushed || links_ == Links::Replace) {
        // QSaveFile would flush in its commit and write through a link; a file of our own
        // beside the target, renamed over it, does neither.
        scratch_ = std::make_unique<QTemporaryFile>(file_.fileName() + QStringLiteral(".XXXXXX"));
        // Readable by others like any file written by QSaveFile under the usual umask.
        if (scratch_->open() && ::fchmod(scratch_->handle(), 0644) == 0)
            return true;
        return fail(errno != 0 ? failureOf(errno) : Failure::Other);
    }
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    return fail(errno != 0                                       ? failureOf(errno)
                : file_.error() == QFileDevice::PermissionsError ? Failure::Denied
                                                                 : Failure::Other);
}

// Straight to the descriptor, past Qt's buffer, so that every failure is seen with its errno.
bool SafeFile::write(const char* data, qint64 size)
{
    if (failure_ != Failure::None || !device().isOpen())
        return false;
    const int fd = device().handle();
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size_t(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return fail(failureOf(errno));
        }
        if (done == 0)
            return fail(Failure::Other);
        data += done;
        size -= done;
        written_ += done;
    }
    return true;
}

bool SafeFile::commit()
{
    if (failure_ != Failure::None || !device().isOpen())
        return false;
    const int fd = device().handle();
    // Some file systems report a full disk only when the data goes out. EINVAL and EROFS: the
    // file cannot be synchronised at all.
    if (durability_ == Durability::Flushed && ::fdatasync(fd) != 0 && errno != EINVAL &&
        errno != EROFS)
        return fail(failureOf(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return fail(failureOf(errno));
    if (info.st_size != written_)
        return fail(Failure::Other);
    if (scratch_) {
        if (std::rename(QFile::encodeName(scratch_->fileName()).constData(),
                        QFile::encodeName(file_.fileName()).constData()) != 0)
            return fail(failureOf(errno));
        scratch_->setAutoRemove(false); // it is the target now
        scratch_->close();
        return true;
    }
    if (!file_.commit())
        return fail(file_.error() == QFileDevice::PermissionsError ? Failure::Denied
                                                                   : Failure::Other);
    return true;
}
