#include "platform/linux/lock_file_instance.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
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
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    const QByteArray path = QFile::encodeName(lockPath_);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // no lock file possible: better a second copy than no program at all
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // The pid is only for people looking at the file; the lock itself is what counts.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.constData(), pid.size()) < 0) {
        // informational only
    }
    fd_ = fd;
    return true;
}
