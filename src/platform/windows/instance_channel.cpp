#include "platform/common/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

class InstanceChannel::Listener : public QLocalServer {};

namespace {
// One later start's connection, read as it comes until that start closes its end: at most
// InstanceMessage::MaxBytes and ReadBoundMs, then it is dropped.
void hear(QLocalSocket* socket, const InstanceChannel::Wake& wake)
{
    auto end = [socket, wake](bool whole) {
        if (socket->property("ended").toBool())
            return;
        socket->setProperty("ended", true);
        const QByteArray received = socket->property("received").toByteArray();
        wake(whole ? InstanceMessage::decoded(received) : std::nullopt);
        socket->deleteLater();
    };
    auto read = [socket, end] {
        QByteArray received = socket->property("received").toByteArray();
        received += socket->read(InstanceMessage::MaxBytes + 1 - received.size());
        socket->setProperty("received", received);
        if (received.size() > InstanceMessage::MaxBytes)
            end(false);
    };
    QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
    QObject::connect(socket, &QLocalSocket::disconnected, socket, [read, end] {
        read();
        end(true);
    });
    QTimer::singleShot(InstanceMessage::ReadBoundMs, socket, [end] { end(false); });
    // A start that said its piece and left before the connection was taken.
    if (socket->state() != QLocalSocket::ConnectedState) {
        read();
        end(true);
    }
}
} // namespace

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
    QLocalServer* server = listener_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, wake] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            if (server->findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() <=
                InstanceMessage::MaxCallers) {
                hear(socket, wake);
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
