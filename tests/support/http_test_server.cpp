#include "support/http_test_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {
enum class Kind { Body, Status, Stall, Drop, Redirect, Trickle };

struct Rule {
    Kind kind = Kind::Body;
    QByteArray body;
    int status = 200;
    QByteArray location;
    int interval = 0;
    QList<QByteArray> pieces; // Trickle: the first goes out at once, then one per interval
};

// Clients read the status number only; the reason text is informative.
QByteArray reason(int status)
{
    return status == 200 ? "OK" : "Status " + QByteArray::number(status);
}

QByteArray response(int status, const QByteArray& body, qint64 announced, bool close,
                    const QByteArray& location = {})
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    out += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    out += "Content-Type: application/octet-stream\r\n";
    if (!location.isEmpty())
        out += "Location: " + location + "\r\n";
    out += close ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    out += "\r\n";
    out += body;
    return out;
}
} // namespace

struct HttpTestServer::Impl {
    QThread thread;
    QTcpServer* server = nullptr; // lives in thread
    QSet<QTcpSocket*> sockets;    // touched only in thread
    quint16 port = 0;
    bool stopped = false;

    mutable QMutex mutex; // guards everything below
    QHash<QString, Rule> rules;
    QString folder;
    int delay = 0;
    int acceptDelay = 0;
    int count = 0;
    QStringList paths;
    QList<QByteArray> rawPaths;

    void setRule(const QString& path, Kind kind, int status, const QByteArray& body = {},
                 const QByteArray& location = {}, int interval = 0,
                 const QList<QByteArray>& pieces = {})
    {
        QMutexLocker lock(&mutex);
        rules.insert(path, Rule{kind, body, status, location, interval, pieces});
    }

    void accept();
    void process(QTcpSocket* socket, QByteArray& buffer);
    Rule ruleFor(const QString& path);
};

void HttpTestServer::Impl::accept()
{
    int wait = 0;
    {
        QMutexLocker lock(&mutex);
        wait = acceptDelay;
    }
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        sockets.insert(socket);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            sockets.remove(socket);
            socket->deleteLater();
        });
        auto serve = [this, socket] {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                process(socket, *buffer);
            });
            // A request that came in while the connection waited is served now.
            if (socket->bytesAvailable() > 0) {
                buffer->append(socket->readAll());
                process(socket, *buffer);
            }
        };
        if (wait > 0)
            QTimer::singleShot(wait, Qt::PreciseTimer, socket, serve);
        else
            serve();
    }
}

HttpTestServer::HttpTestServer() : d(std::make_unique<Impl>())
{
    d->thread.start();
    d->server = new QTcpServer;
    d->server->moveToThread(&d->thread);
    QMetaObject::invokeMethod(
        d->server,
        [this] {
            QObject::connect(d->server, &QTcpServer::newConnection, d->server,
                             [this] { d->accept(); });
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
    if (d->stopped)
        return;
    d->stopped = true;
    QMetaObject::invokeMethod(
        d->server,
        [this] {
            d->server->close();
            const QSet<QTcpSocket*> open = d->sockets;
            d->sockets.clear();
            for (QTcpSocket* socket : open) {
                socket->disconnect();
                socket->abort();
                delete socket;
            }
            delete d->server;
            d->server = nullptr;
        },
        Qt::BlockingQueuedConnection);
}

Rule HttpTestServer::Impl::ruleFor(const QString& path)
{
    QMutexLocker lock(&mutex);
    const auto found = rules.constFind(path);
    if (found != rules.constEnd())
        return *found;
    Rule rule;
    rule.kind = Kind::Status;
    rule.status = 404;
    if (!folder.isEmpty() && !path.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        QFile file(folder + path);
        if (QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly)) {
            rule.kind = Kind::Body;
            rule.status = 200;
            rule.body = file.readAll();
        }
    }
    return rule;
}

void HttpTestServer::Impl::process(QTcpSocket* socket, QByteArray& buffer)
{
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + 4);
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QByteArray raw = requestLine.value(1);
        QByteArray rawPath = raw.left(raw.indexOf('?') < 0 ? raw.size() : raw.indexOf('?'));
        const QString path = QUrl::fromPercentEncoding(rawPath);
        bool close = false;
        for (const QByteArray& line : lines) {
            if (line.trimmed().toLower() == "connection: close")
                close = true;
        }
        int delayMs = 0;
        {
            QMutexLocker lock(&mutex);
            ++count;
            paths << path;
            rawPaths << rawPath;
            delayMs = delay;
        }
        const Rule rule = ruleFor(path);
        if (rule.kind == Kind::Stall) {
            // Hold the connection open and deaf: nothing more is read from it.
            QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
            return;
        }
        auto send = [socket, rule, close] {
            switch (rule.kind) {
            case Kind::Body:
                socket->write(response(200, rule.body, rule.body.size(), close));
                break;
            case Kind::Status: {
                const QByteArray body = reason(rule.status);
                socket->write(response(rule.status, body, body.size(), close));
                break;
            }
            case Kind::Redirect:
                socket->write(response(rule.status, "moved", 5, close, rule.location));
                break;
            case Kind::Drop:
                socket->write(
                    response(200, rule.body.left(rule.body.size() / 2), rule.body.size(), true));
                socket->disconnectFromHost();
                return;
            case Kind::Trickle: {
                socket->write(rule.pieces.value(0));
                auto* drip = new QTimer(socket);
                auto sent = std::make_shared<qsizetype>(1);
                QObject::connect(drip, &QTimer::timeout, socket, [socket, drip, sent, rule] {
                    socket->write(rule.pieces.value((*sent)++));
                    if (*sent >= rule.pieces.size())
                        drip->stop();
                });
                drip->start(rule.interval);
                return;
            }
            case Kind::Stall:
                return;
            }
            if (close)
                socket->disconnectFromHost();
        };
        if (delayMs > 0)
            QTimer::singleShot(delayMs, Qt::PreciseTimer, socket, send);
        else
            send();
    }
}

QString HttpTestServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(d->port);
}

void HttpTestServer::serveFolder(const QString& folder)
{
    QMutexLocker lock(&d->mutex);
    d->folder = QDir(folder).absolutePath();
}

void HttpTestServer::setFile(const QString& path, const QByteArray& body)
{
    d->setRule(path, Kind::Body, 200, body);
}

void HttpTestServer::answerStatus(const QString& path, int status)
{
    d->setRule(path, Kind::Status, status);
}

void HttpTestServer::stall(const QString& path)
{
    d->setRule(path, Kind::Stall, 0);
}

void HttpTestServer::dropMidBody(const QString& path, const QByteArray& body)
{
    d->setRule(path, Kind::Drop, 200, body);
}

void HttpTestServer::redirect(const QString& path, const QString& location, int status)
{
    d->setRule(path, Kind::Redirect, status, {}, location.toUtf8());
}

void HttpTestServer::trickle(const QString& path, const QByteArray& body, int intervalMs)
{
    QList<QByteArray> pieces{response(200, {}, body.size(), false)};
    for (char byte : body)
        pieces << QByteArray(1, byte);
    d->setRule(path, Kind::Trickle, 200, {}, {}, intervalMs, pieces);
}

void HttpTestServer::trickleHeaders(const QString& path, int lines, const QByteArray& body,
                                    int intervalMs)
{
    const QByteArray whole = response(200, body, body.size(), false);
    const qsizetype statusEnd = whole.indexOf("\r\n") + 2;
    QList<QByteArray> pieces{whole.left(statusEnd)};
    for (int i = 0; i < lines; ++i)
        pieces << "X-Wait: " + QByteArray::number(i) + "\r\n";
    pieces << whole.mid(statusEnd);
    d->setRule(path, Kind::Trickle, 200, {}, {}, intervalMs, pieces);
}

void HttpTestServer::setDelay(int milliseconds)
{
    QMutexLocker lock(&d->mutex);
    d->delay = milliseconds;
}

void HttpTestServer::setAcceptDelay(int milliseconds)
{
    QMutexLocker lock(&d->mutex);
    d->acceptDelay = milliseconds;
}

int HttpTestServer::requestCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->count;
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
    d->count = 0;
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
