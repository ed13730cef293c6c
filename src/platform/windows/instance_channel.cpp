#include "platform/common/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>

class InstanceChannel::Listener : public QLocalServer {};

InstanceChannel::InstanceChannel(QString name) : name_(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

void InstanceChannel::listen(std::function<void()> wake)
{
    listener_ = std::make_unique<Listener>();
    listener_->setSocketOptions(QLocalServer::UserAccessOption);
    // A pipe left by a copy that crashed; the caller holds the lock, so nobody listens there.
    QLocalServer::removeServer(name_);
    if (!listener_->listen(name_))
        return; // only the knock is lost: a later start still exits
    QLocalServer* server = listener_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, wake] {
        while (QLocalSocket* socket = server->nextPendingConnection())
            socket->deleteLater();
        wake();
    });
}

bool InstanceChannel::knock() const
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    // Connecting is the whole message; the running copy answers nothing.
    if (!socket.waitForConnected(1000))
        return false;
    socket.disconnectFromServer();
    return true;
}
