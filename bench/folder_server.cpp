#include "folder_server.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <memory>

struct FolderServer::Impl {
    QString folder;
    int delayMs = 0;

    QByteArray answer(const QByteArray& requestLine) const
    {
        // "GET /path HTTP/1.1"
        const QList<QByteArray> words = requestLine.split(' ');
        const QString path = words.size() >= 2 ? QUrl::fromPercentEncoding(words.at(1)) : QString();
        QFile file(folder + path);
        const bool found = !path.contains(QLatin1String("..")) && file.open(QIODevice::ReadOnly);
        const QByteArray body = found ? file.readAll() : QByteArray();
        // Headers and body in one write: a body sent apart waits for the client's delayed ACK.
        return (found ? QByteArray("HTTP/1.1 200 OK\r\n")
                      : QByteArray("HTTP/1.1 404 Not Found\r\n")) +
               "Content-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: keep-alive\r\n\r\n" + body;
    }

    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        auto take = [this, socket, buffer] {
            buffer->append(socket->readAll());
            qsizetype end;
            while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                const QByteArray reply = answer(buffer->left(buffer->indexOf("\r\n")));
                buffer->remove(0, end + 4);
                if (delayMs > 0)
                    QTimer::singleShot(delayMs, Qt::PreciseTimer, socket,
                                       [socket, reply] { socket->write(reply); });
                else
                    socket->write(reply);
            }
        };
        QObject::connect(socket, &QTcpSocket::readyRead, socket, take);
        take();
    }

    void accept(QTcpSocket* socket)
    {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (delayMs > 0)
            QTimer::singleShot(delayMs, Qt::PreciseTimer, socket,
                               [this, socket] { serve(socket); });
        else
            serve(socket);
    }

    std::unique_ptr<LoopbackListener> listener; // last: it goes first, with its connections
};

LoopbackListener::LoopbackListener(std::function<void(QTcpSocket*)> accepted)
{
    thread_.start();
    server_ = new QTcpServer;
    server_->moveToThread(&thread_);
    QMetaObject::invokeMethod(
        server_,
        [this, accepted = std::move(accepted)] {
            QObject::connect(server_, &QTcpServer::newConnection, server_, [this, accepted] {
                while (QTcpSocket* socket = server_->nextPendingConnection())
                    accepted(socket);
            });
            server_->listen(QHostAddress::LocalHost, 0);
            port_ = server_->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

LoopbackListener::~LoopbackListener()
{
    QMetaObject::invokeMethod(
        server_, [this] { delete server_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

QString LoopbackListener::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_);
}

FolderServer::FolderServer(const QString& folder, int delayMs) : d(std::make_unique<Impl>())
{
    d->folder = folder;
    d->delayMs = delayMs;
    d->listener =
        std::make_unique<LoopbackListener>([impl = d.get()](QTcpSocket* s) { impl->accept(s); });
}

FolderServer::~FolderServer() = default;

QString FolderServer::baseUrl() const
{
    return d->listener->baseUrl();
}
