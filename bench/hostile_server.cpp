#include "hostile_server.h"

#include "folder_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <atomic>
#include <memory>

namespace {
// What the server keeps queued per connection: the stream follows the client's pace.
constexpr qint64 HighWater = 1024 * 1024;
constexpr int BlockBytes = 256 * 1024;

QString categoryName(int i)
{
    return QStringLiteral("Hostile%1").arg(i, 2, 10, QLatin1Char('0'));
}

// Names as a list holds them, repeated: the body is a list, only far too long.
QByteArray listBlock()
{
    const QByteArray name("HostileSkin*");
    QByteArray block;
    block.reserve(BlockBytes);
    while (block.size() < BlockBytes)
        block += name;
    block.truncate(BlockBytes);
    return block;
}
} // namespace

struct HostileServer::Impl {
    int categories = 0;
    qint64 listBytes = 0;
    bool withLength = false;
    QByteArray block = listBlock();
    std::atomic<qint64> sent{0};

    // One connection: the requests it has sent, and the body it is being sent.
    struct Connection {
        QByteArray requests;
        qint64 remaining = 0;
        bool streaming = false;
    };

    void answerNext(QTcpSocket* socket, Connection& c)
    {
        qsizetype end;
        while (!c.streaming && (end = c.requests.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> words = c.requests.left(c.requests.indexOf("\r\n")).split(' ');
            c.requests.remove(0, end + 4);
            const QByteArray path = words.value(1);
            int category = -1;
            for (int i = 0; i < categories; ++i) {
                if (path == '/' + categoryName(i).toLatin1() + ".txt")
                    category = i;
            }
            if (path == "/voruzide.txt") {
                QStringList names;
                for (int i = 0; i < categories; ++i)
                    names << categoryName(i);
                const QByteArray body = names.join(QLatin1Char('*')).toLatin1();
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                    "\r\nConnection: keep-alive\r\n\r\n" + body);
            } else if (category >= 0) {
                socket->write(withLength ? "HTTP/1.1 200 OK\r\nContent-Length: " +
                                               QByteArray::number(listBytes) +
                                               "\r\nConnection: keep-alive\r\n\r\n"
                                         : QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: "
                                                      "chunked\r\nConnection: keep-alive\r\n\r\n"));
                c.remaining = listBytes;
                c.streaming = true;
                pump(socket, c);
            } else {
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                              "Connection: keep-alive\r\n\r\n");
            }
        }
    }

    // Tops the socket's queue up to HighWater; called again as the client takes what is queued.
    void pump(QTcpSocket* socket, Connection& c)
    {
        while (c.streaming && c.remaining > 0 && socket->bytesToWrite() < HighWater) {
            const qint64 n = qMin<qint64>(c.remaining, block.size());
            const QByteArray piece = n == block.size() ? block : block.left(n);
            if (withLength)
                socket->write(piece);
            else
                socket->write(QByteArray::number(n, 16) + "\r\n" + piece + "\r\n");
            c.remaining -= n;
            sent += n;
        }
        if (c.streaming && c.remaining == 0) {
            if (!withLength)
                socket->write("0\r\n\r\n");
            c.streaming = false;
            answerNext(socket, c);
        }
    }

    void accept(QTcpSocket* socket)
    {
        auto c = std::make_shared<Connection>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, c] {
            c->requests += socket->readAll();
            answerNext(socket, *c);
        });
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket,
                         [this, socket, c] { pump(socket, *c); });
    }

    std::unique_ptr<LoopbackListener> listener; // last: it goes first, with its connections
};

HostileServer::HostileServer(int categories, qint64 listBytes, bool withLength)
    : d(std::make_unique<Impl>())
{
    d->categories = categories;
    d->listBytes = listBytes;
    d->withLength = withLength;
    d->listener =
        std::make_unique<LoopbackListener>([impl = d.get()](QTcpSocket* s) { impl->accept(s); });
}

HostileServer::~HostileServer() = default;

QString HostileServer::baseUrl() const
{
    return d->listener->baseUrl();
}

qint64 HostileServer::bytesSent() const
{
    return d->sent;
}
