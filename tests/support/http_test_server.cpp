#include "support/http_test_server.h"

#include "support/test_profile.h"

#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

HttpTestServer::HttpTestServer(const QString& certificate, const QString& key)
{
    secure_ = !certificate.isEmpty();
    if (secure_) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate::fromPath(certificate).value(0));
        tls.setPrivateKey(QSslKey(readFileBytes(key), QSsl::Ec));
        auto* server = new QSslServer;
        server->setSslConfiguration(tls);
        server_ = server;
    } else {
        server_ = new QTcpServer;
    }
    thread_.start();
    server_->moveToThread(&thread_);
    QMetaObject::invokeMethod(
        server_,
        [this] {
            // Once its handshake is done, for https.
            QObject::connect(server_, &QTcpServer::pendingConnectionAvailable, server_, [this] {
                while (QTcpSocket* socket = server_->nextPendingConnection()) {
                    // A client may close one and open the next at once: closes already on
                    // the wire are read before counting.
                    int open = 0;
                    for (QTcpSocket* other : server_->findChildren<QTcpSocket*>()) {
                        if (other != socket)
                            other->waitForReadyRead(0);
                        open += other->state() == QAbstractSocket::ConnectedState;
                    }
                    {
                        const QMutexLocker lock(&mutex_);
                        maxConnections_ = qMax(maxConnections_, open);
                    }
                    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                    auto buffer = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [=] {
                        buffer->append(socket->readAll());
                        process(socket, *buffer);
                    });
                }
            });
            server_->listen(QHostAddress::LocalHost, 0);
            port_ = server_->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

void HttpTestServer::stop()
{
    if (!server_)
        return;
    // The sockets are the server's children: they go with it, connections aborted.
    QMetaObject::invokeMethod(
        server_,
        [this] {
            for (QTcpSocket* socket : server_->findChildren<QTcpSocket*>()) {
                socket->disconnect();
                socket->abort();
            }
            delete server_;
        },
        Qt::BlockingQueuedConnection);
    server_ = nullptr;
}

void HttpTestServer::process(QTcpSocket* socket, QByteArray& buffer)
{
    for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
        const QByteArray target = buffer.left(end).split('\n').value(0).split(' ').value(1);
        buffer.remove(0, end + 4);
        const QString path = QUrl::fromPercentEncoding(target.split('?').value(0));
        QMutexLocker lock(&mutex_);
        paths_ << path;
        const Rule rule = rules_.value(path, Rule{head(404, 10) + "Status 404"});
        lock.unlock();
        if (rule.reply.isEmpty()) { // deaf from now on
            QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
            return;
        }
        // After the delay, the whole reply, or 16 bytes a tick when it trickles.
        const qsizetype size = rule.reply.size(), step = rule.trickleMs > 0 ? 16 : size;
        for (qsizetype sent = 0; sent < size; sent += step)
            QTimer::singleShot(rule.delayMs + rule.trickleMs * int(sent / step), Qt::PreciseTimer,
                               socket,
                               [socket, part = rule.reply.mid(sent, step),
                                close = rule.close && sent + step >= size] {
                                   socket->write(part);
                                   if (close)
                                       socket->disconnectFromHost();
                               });
    }
}

QByteArray HttpTestServer::head(int status, qint64 length, const QByteArray& location)
{
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Status") +
           "\r\nContent-Length: " + QByteArray::number(length) +
           (location.isEmpty() ? QByteArray() : "\r\nLocation: " + location) + "\r\n\r\n";
}
