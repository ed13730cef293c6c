#include "platform/common/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>

InstanceChannel::InstanceChannel(QString name) : name_(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

void InstanceChannel::listen(std::function<void()> wake)
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a copy that crashed; the caller holds the lock, so nobody listens there.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_))
        return; // only the knock is lost: a later start still exits
    QLocalServer* server = server_.get();
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
