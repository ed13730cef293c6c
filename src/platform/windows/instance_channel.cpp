#include "platform/common/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {
// One later start's connection, read as it comes until that start closes its end: at most
// InstanceMessage::MaxBytes and ReadBoundMs, then it is dropped.
class Caller : public QObject {
public:
    Caller(QLocalSocket* socket, QObject* parent, InstanceChannel::Wake wake)
        : QObject(parent), socket_(socket), wake_(std::move(wake))
    {
        socket_->setParent(this);
        connect(socket_, &QLocalSocket::readyRead, this, &Caller::read);
        connect(socket_, &QLocalSocket::disconnected, this, [this] {
            read();
            end(true);
        });
        QTimer::singleShot(InstanceMessage::ReadBoundMs, this, [this] { end(false); });
        // A start that said its piece and left before its connection was taken.
        if (socket_->state() != QLocalSocket::ConnectedState) {
            read();
            end(true);
        }
    }

private:
    void read()
    {
        if (ended_)
            return;
        received_ += socket_->read(InstanceMessage::MaxBytes + 1 - received_.size());
        if (received_.size() > InstanceMessage::MaxBytes)
            end(false);
    }
    void end(bool whole)
    {
        if (std::exchange(ended_, true))
            return;
        wake_(whole ? InstanceMessage::decoded(received_) : std::nullopt);
        deleteLater();
    }

    QLocalSocket* socket_;
    InstanceChannel::Wake wake_;
    QByteArray received_;
    bool ended_ = false;
};
} // namespace

class InstanceChannel::Listener : public QLocalServer {
public:
    QObject callers; // owns the connections being read
};

InstanceChannel::InstanceChannel(QString name) : name_(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

void InstanceChannel::listen(Wake wake)
{
    listener_ = std::make_unique<Listener>();
    listener_->setSocketOptions(QLocalServer::UserAccessOption);
    // A pipe left by a copy that crashed; the caller holds the lock, so nobody listens there.
    QLocalServer::removeServer(name_);
    if (!listener_->listen(name_))
        return; // only the knock is lost: a later start still exits
    Listener* server = listener_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, wake] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            if (server->callers.children().size() < InstanceMessage::MaxCallers) {
                new Caller(socket, &server->callers, wake);
            } else {
                socket->deleteLater(); // the knock still counts, its message is lost
                wake(std::nullopt);
            }
        }
    });
}

bool InstanceChannel::knock(const QByteArray& message) const
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(1000))
        return false;
    // An older copy takes the connection and reads nothing: it has come to the front all the same.
    if (!message.isEmpty()) {
        socket.write(message);
        socket.waitForBytesWritten(1000);
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return true;
}
