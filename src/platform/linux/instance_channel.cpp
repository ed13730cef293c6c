#include "platform/common/instance_channel.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// A plain Unix socket rather than QLocalServer: the running copy then loads no network library
// at all (Qt Network brings Kerberos and the proxy libraries with it), and a later start's
// QLocalSocket or plain connect() reaches it all the same.
namespace {
bool socketAddress(const QString& name, sockaddr_un& address)
{
    const QByteArray path = QFile::encodeName(name);
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}
} // namespace

class InstanceChannel::Listener {
public:
    Listener(int fd, QByteArray path)
        : fd_(fd), path_(std::move(path)), notifier_(fd, QSocketNotifier::Read)
    {
    }
    ~Listener()
    {
        notifier_.setEnabled(false);
        ::close(fd_);
        ::unlink(path_.constData());
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    void onKnock(std::function<void()> wake)
    {
        QObject::connect(
            &notifier_, &QSocketNotifier::activated, &notifier_, [this, wake = std::move(wake)] {
                // Connecting is the whole message: every waiting one is let go.
                const int flags = SOCK_CLOEXEC | SOCK_NONBLOCK;
                for (int knocked; (knocked = ::accept4(fd_, nullptr, nullptr, flags)) >= 0;)
                    ::close(knocked);
                wake();
            });
    }

private:
    int fd_;
    QByteArray path_;
    QSocketNotifier notifier_;
};

InstanceChannel::InstanceChannel(QString name) : name_(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

void InstanceChannel::listen(std::function<void()> wake)
{
    listener_.reset();
    sockaddr_un address;
    if (!socketAddress(name_, address))
        return; // only the knock is lost: a later start still exits
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    // A socket left by a copy that crashed; the caller holds the lock, so nobody listens there.
    ::unlink(address.sun_path);
    // Only this user may knock: the folder is private, and so is the socket.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return;
    }
    listener_ = std::make_unique<Listener>(fd, QByteArray(address.sun_path));
    listener_->onKnock(std::move(wake));
}

bool InstanceChannel::knock() const
{
    sockaddr_un address;
    if (!socketAddress(name_, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    // A full backlog: the running copy is busy; it gets a moment to take this one.
    if (!connected && (errno == EAGAIN || errno == EINPROGRESS)) {
        pollfd wait = {fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::poll(&wait, 1, 1000) == 1 &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::close(fd);
    return connected;
}
