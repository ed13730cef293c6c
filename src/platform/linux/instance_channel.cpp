#include "platform/common/instance_channel.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
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

// One later start's connection, read as it comes until that start closes its end: at most
// InstanceMessage::MaxBytes and ReadBoundMs, then it is dropped.
class Caller : public QObject {
public:
    Caller(int fd, QObject* parent, InstanceChannel::Wake wake)
        : QObject(parent), fd_(fd), notifier_(fd, QSocketNotifier::Read), wake_(std::move(wake))
    {
        connect(&notifier_, &QSocketNotifier::activated, this, &Caller::read);
        QTimer::singleShot(InstanceMessage::ReadBoundMs, this, [this] { end(false); });
    }
    ~Caller() override
    {
        notifier_.setEnabled(false);
        ::close(fd_);
    }
    Caller(const Caller&) = delete;
    Caller& operator=(const Caller&) = delete;

private:
    void read()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got == 0)
                return end(true);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    end(false);
                return;
            }
            received_.append(buffer, got);
            if (received_.size() > InstanceMessage::MaxBytes)
                return end(false);
        }
    }
    void end(bool whole)
    {
        if (ended_)
            return;
        ended_ = true;
        notifier_.setEnabled(false);
        wake_(whole ? InstanceMessage::decoded(received_) : std::nullopt);
        deleteLater();
    }

    int fd_;
    QSocketNotifier notifier_;
    InstanceChannel::Wake wake_;
    QByteArray received_;
    bool ended_ = false;
};
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

    void onKnock(Wake wake)
    {
        QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this, wake] {
            const int flags = SOCK_CLOEXEC | SOCK_NONBLOCK;
            bool unread = false;
            for (int knocked; (knocked = ::accept4(fd_, nullptr, nullptr, flags)) >= 0;) {
                if (callers_.children().size() < InstanceMessage::MaxCallers) {
                    new Caller(knocked, &callers_, wake);
                } else {
                    ::close(knocked); // the knock still counts, its message is lost
                    unread = true;
                }
            }
            if (unread)
                wake(std::nullopt);
        });
    }

private:
    int fd_;
    QByteArray path_;
    QSocketNotifier notifier_;
    QObject callers_; // owns the connections being read
};

InstanceChannel::InstanceChannel(QString name) : name_(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

void InstanceChannel::listen(Wake wake)
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

bool InstanceChannel::knock(const QByteArray& message) const
{
    sockaddr_un address;
    if (!socketAddress(name_, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const QDeadlineTimer deadline(1000);
    bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    // A full backlog: the running copy is busy; it gets a moment to take this one.
    if (!connected && (errno == EAGAIN || errno == EINPROGRESS)) {
        pollfd wait = {fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::poll(&wait, 1, int(deadline.remainingTime())) == 1 &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    // The message fits the socket's buffer, so this rarely waits. An older copy closes its end
    // unread: no SIGPIPE then, it has come to the front all the same.
    for (qsizetype sent = 0; connected && sent < message.size();) {
        const ssize_t wrote =
            ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        pollfd wait = {fd, POLLOUT, 0};
        if (wrote > 0)
            sent += wrote;
        else if (errno != EINTR &&
                 (errno != EAGAIN || ::poll(&wait, 1, int(deadline.remainingTime())) != 1))
            break;
    }
    ::close(fd);
    return connected;
}
