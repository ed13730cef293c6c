#include "support/http_test_server.h"

#include "support/test_profile.h"

#include <QHash>
#include <QMutex>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {
struct Rule {
    QByteArray reply; // none: never answers
    bool close = false;
    int delayMs = 0;
    int trickleMs = 0; // a few bytes at a time, this far apart
};
} // namespace

struct HttpTestServer::Impl {
    QThread thread;
    QTcpServer* server = nullptr; // lives in thread, as do the sockets it makes
    bool secure = false;
    quint16 port = 0;
    mutable QMutex mutex; // guards rules and paths
    QHash<QString, Rule> rules;
    QStringList paths;
    int maxConnections = 0;
    void process(QTcpSocket* socket, QByteArray& buffer);
};

HttpTestServer::HttpTestServer(const QString& certificate, const QString& key)
    : d(std::make_unique<Impl>())
{
    d->secure = !certificate.isEmpty();
    if (d->secure) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate::fromPath(certificate).value(0));
        tls.setPrivateKey(QSslKey(readFileBytes(key), QSsl::Ec));
        auto* server = new QSslServer;
        server->setSslConfiguration(tls);
        d->server = server;
    } else {
        d->server = new QTcpServer;
    }
    d->thread.start();
    d->server->moveToThread(&d->thread);
    QMetaObject::invokeMethod(
        d->server,
        [this] {
            // Once its handshake is done, for https.
            QObject::connect(d->server, &QTcpServer::pendingConnectionAvailable, d->server, [this] {
                while (QTcpSocket* socket = d->server->nextPendingConnection()) {
                    // A client may close one and open the next at once: closes already on
                    // the wire are read before counting.
                    int open = 0;
                    for (QTcpSocket* other : d->server->findChildren<QTcpSocket*>()) {
                        if (other != socket)
                            other->waitForReadyRead(0);
                        open += other->state() == QAbstractSocket::ConnectedState;
                    }
                    {
                        const QMutexLocker lock(&d->mutex);
                        d->maxConnections = qMax(d->maxConnections, open);
                    }
                    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                    auto buffer = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [=] {
                        buffer->append(socket->readAll());
                        d->process(socket, *buffer);
                    });
                }
            });
            d->server->listen(QHostAddress::LocalHost, 0);
            d->port = d->server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

HttpTestServer::~HttpTestServer()
{
    stop();
    d->thread.quit();
    d->thread.wait();
}

void HttpTestServer::stop()
{
    if (!d->server)
        return;
    // The sockets are the server's children: they go with it, connections aborted.
    QMetaObject::invokeMethod(
        d->server,
        [this] {
            for (QTcpSocket* socket : d->server->findChildren<QTcpSocket*>()) {
                socket->disconnect();
                socket->abort();
            }
            delete d->server;
        },
        Qt::BlockingQueuedConnection);
    d->server = nullptr;
}

void HttpTestServer::Impl::process(QTcpSocket* socket, QByteArray& buffer)
{
    for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
        const QByteArray target = buffer.left(end).split('\n').value(0).split(' ').value(1);
        buffer.remove(0, end + 4);
        const QString path = QUrl::fromPercentEncoding(target.split('?').value(0));
        QMutexLocker lock(&mutex);
        paths << path;
        const Rule rule = rules.value(path, Rule{head(404, 10) + "Status 404"});
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

QString HttpTestServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2/")
        .arg(QLatin1String(d->secure ? "https" : "http"))
        .arg(d->port);
}

QByteArray HttpTestServer::head(int status, qint64 length, const QByteArray& location)
{
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Status") +
           "\r\nContent-Length: " + QByteArray::number(length) +
           (location.isEmpty() ? QByteArray() : "\r\nLocation: " + location) + "\r\n\r\n";
}

void HttpTestServer::rule(const QString& path, const QByteArray& reply, bool close, int trickleMs,
                          int delayMs)
{
    QMutexLocker lock(&d->mutex);
    d->rules.insert(path, Rule{reply, close, delayMs, trickleMs});
}

QStringList HttpTestServer::requestedPaths() const
{
    QMutexLocker lock(&d->mutex);
    return d->paths;
}

int HttpTestServer::maxConnections() const
{
    QMutexLocker lock(&d->mutex);
    return d->maxConnections;
}

void HttpTestServer::resetCounts()
{
    QMutexLocker lock(&d->mutex);
    d->paths.clear();
    d->maxConnections = 0;
}
