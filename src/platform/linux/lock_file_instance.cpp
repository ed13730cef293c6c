#include "platform/linux/lock_file_instance.h"

#include "platform/linux/private_folder.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

LockFileInstance::LockFileInstance(QString lockPath) : lockPath_(std::move(lockPath)) {}

LockFileInstance::~LockFileInstance()
{
    if (fd_ >= 0)
        ::close(fd_); // releases the lock; the file stays, harmlessly unlocked
}

bool LockFileInstance::acquire()
{
    if (fd_ >= 0)
        return true;
    // No lock file possible, or none that only this user controls: better a second copy than
    // no program at all, and far better than a lock another user can hold or point elsewhere.
    const QString folder = QFileInfo(lockPath_).path();
    if (!lockPath_.isEmpty())
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    if (lockPath_.isEmpty() || !isPrivateFolder(folder)) {
        qWarning("No private folder for the one-copy lock: a second copy is not kept out.");
        return true;
    }
    const QByteArray path = QFile::encodeName(lockPath_);
    // Never through a link, and never waiting on a FIFO.
    const int fd =
        ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        if (fd >= 0)
            ::close(fd);
        qWarning("%s is no lock file of this user's own: a second copy is not kept out.",
                 path.constData());
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // The pid is only for people looking at the file; the lock itself is what counts. Written
    // over the old one, and cut only where the old was longer: emptying a file frees its block
    // in the file system's journal, a millisecond at times, before the window exists.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::pwrite(fd, pid.constData(), size_t(pid.size()), 0) == pid.size() &&
        info.st_size > pid.size() && ::ftruncate(fd, pid.size()) != 0) {
        // informational only
    }
    fd_ = fd;
    return true;
}
