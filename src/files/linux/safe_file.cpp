#include "files/safe_file.h"

#include <cerrno>
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

bool SafeFile::fail(Failure failure)
{
    if (failure_ == Failure::None)
        failure_ = failure;
    file_.cancelWriting();
    return false;
}

bool SafeFile::open()
{
    errno = 0;
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    return fail(errno != 0                                       ? failureOf(errno)
                : file_.error() == QFileDevice::PermissionsError ? Failure::Denied
                                                                 : Failure::Other);
}

// Straight to the descriptor, past Qt's buffer, so that every failure is seen with its errno.
bool SafeFile::write(const char* data, qint64 size)
{
    if (failure_ != Failure::None || !file_.isOpen())
        return false;
    const int fd = file_.handle();
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
    if (failure_ != Failure::None || !file_.isOpen())
        return false;
    const int fd = file_.handle();
    // Some file systems report a full disk only when the data goes out. EINVAL and EROFS: the
    // file cannot be synchronised at all.
    if (::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS)
        return fail(failureOf(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return fail(failureOf(errno));
    if (info.st_size != written_)
        return fail(Failure::Other);
    if (!file_.commit())
        return fail(file_.error() == QFileDevice::PermissionsError ? Failure::Denied
                                                                   : Failure::Other);
    return true;
}
