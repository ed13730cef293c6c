#include "support/http_test_server.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {
// What the server does for a path: the first piece goes out at once (after the delay), the
// others one per interval; then it closes the connection or keeps it. No pieces: never answers.
struct Rule {
    QList<QByteArray> pieces;
    int interval = 0;
    bool close = false;
};

QByteArray head(int status, qint64 length, const QByteArray& location = {})
{
    // Clients read the status number only; the reason text is informative.
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Status") +
           "\r\nContent-Length: " + QByteArray::number(length) +
           "\r\nContent-Type: application/octet-stream\r\n" +
           (location.isEmpty() ? QByteArray() : "Location: " + location + "\r\n") +
           "Connection: keep-alive\r\n\r\n";
}

Rule answer(int status, const QByteArray& body, const QByteArray& location = {})
{
    return Rule{{head(status, body.size(), location) + body}};
}
} // namespace

struct HttpTestServer::Impl {
    QThread thread;
    QTcpServer* server = nullptr; // lives in thread, as do the sockets it makes
    quint16 port = 0;

    mutable QMutex mutex; // guards everything below
    QHash<QString, Rule> rules;
    int delay = 0;
    QStringList paths;
    QList<QByteArray> rawPaths;

    void set(const QString& path, const Rule& rule)
    {
        QMutexLocker lock(&mutex);
        rules.insert(path, rule);
    }
    void process(QTcpSocket* socket, QByteArray& buffer);
};

HttpTestServer::HttpTestServer() : d(std::make_unique<Impl>())
{
    d->thread.start();
    d->server = new QTcpServer;
    d->server->moveToThread(&d->thread);
    QMetaObject::invokeMethod(
        d->server,
        [this] {
            QObject::connect(d->server, &QTcpServer::newConnection, d->server, [this] {
                while (QTcpSocket* socket = d->server->nextPendingConnection()) {
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
        const QByteArray rawPath =
            target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        const QString path = QUrl::fromPercentEncoding(rawPath);
        int wait = 0;
        Rule rule;
        {
            QMutexLocker lock(&mutex);
            paths << path;
            rawPaths << rawPath;
            wait = delay;
            rule = rules.value(path, answer(404, "Status 404"));
        }
        if (rule.pieces.isEmpty()) {
            // Hold the connection open and deaf: nothing more is read from it.
            QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
            return;
        }
        QTimer::singleShot(wait, Qt::PreciseTimer, socket, [socket, rule] {
            socket->write(rule.pieces.first());
            auto sent = std::make_shared<qsizetype>(1);
            auto* drip = new QTimer(socket);
            QObject::connect(drip, &QTimer::timeout, socket, [socket, drip, sent, rule] {
                if (*sent < rule.pieces.size())
                    socket->write(rule.pieces.value((*sent)++));
                if (*sent >= rule.pieces.size()) {
                    drip->deleteLater();
                    if (rule.close)
                        socket->disconnectFromHost();
                }
            });
            drip->start(rule.interval);
        });
    }
}

QString HttpTestServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(d->port);
}

void HttpTestServer::setFile(const QString& path, const QByteArray& body)
{
    d->set(path, answer(200, body));
}

void HttpTestServer::answerStatus(const QString& path, int status)
{
    d->set(path, answer(status, "Status " + QByteArray::number(status)));
}

void HttpTestServer::stall(const QString& path)
{
    d->set(path, Rule{});
}

void HttpTestServer::dropMidBody(const QString& path, const QByteArray& body)
{
    d->set(path, Rule{{head(200, body.size()) + body.left(body.size() / 2)}, 0, true});
}

void HttpTestServer::redirect(const QString& path, const QString& location, int status)
{
    d->set(path, answer(status, "moved", location.toUtf8()));
}

void HttpTestServer::trickle(const QString& path, const QByteArray& body, int intervalMs)
{
    Rule rule{{head(200, body.size())}, intervalMs};
    for (char byte : body)
        rule.pieces << QByteArray(1, byte);
    d->set(path, rule);
}

void HttpTestServer::setDelay(int milliseconds)
{
    QMutexLocker lock(&d->mutex);
    d->delay = milliseconds;
}

int HttpTestServer::requestCount() const
{
    QMutexLocker lock(&d->mutex);
    return int(d->paths.size());
}

QStringList HttpTestServer::requestedPaths() const
{
    QMutexLocker lock(&d->mutex);
    return d->paths;
}

QList<QByteArray> HttpTestServer::rawRequestPaths() const
{
    QMutexLocker lock(&d->mutex);
    return d->rawPaths;
}

void HttpTestServer::resetCounts()
{
    QMutexLocker lock(&d->mutex);
    d->paths.clear();
    d->rawPaths.clear();
}

void playFault(HttpTestServer& server, const QString& fault, const QString& path,
               const QByteArray& body)
{
    if (fault == QLatin1String("404") || fault == QLatin1String("500"))
        server.answerStatus(path, fault.toInt());
    else if (fault == QLatin1String("cut off"))
        server.dropMidBody(path, body);
    else if (fault == QLatin1String("never answers"))
        server.stall(path);
    else if (fault == QLatin1String("redirect loop"))
        server.redirect(path, path);
    else if (fault == QLatin1String("redirect to ftp"))
        server.redirect(path, QStringLiteral("ftp://127.0.0.1") + path);
    else if (fault == QLatin1String("server gone"))
        server.stop();
    else
        server.setFile(path, body);
}
