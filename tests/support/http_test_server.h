#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QThread>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 in a thread of its own, so a test may block its own
// thread while the server answers. Paths are the decoded URL path; a path with no rule is a 404.
class HttpTestServer {
public:
    // With a certificate and its key (PEM files): https.
    explicit HttpTestServer(const QString& certificate = {}, const QString& key = {});
    ~HttpTestServer()
    {
        stop();
        thread_.quit();
        thread_.wait();
    }

    QString baseUrl() const
    {
        return QLatin1String(secure_ ? "https://127.0.0.1:%1/" : "http://127.0.0.1:%1/")
            .arg(QString::number(port_));
    }

    // A later rule for the same path replaces an earlier one.
    // Unannounced: no Content-Length, the body ends when the connection closes. Each answer
    // is held back by delayMs.
    void setFile(const QString& path, const QByteArray& body, bool announced = true,
                 int delayMs = 0)
    {
        rule(path, (announced ? head(200, body.size()) : "HTTP/1.1 200 OK\r\n\r\n") + body,
             !announced, 0, delayMs);
    }
    void answerStatus(const QString& path, int status)
    {
        rule(path, head(status, 10) + "Status " + QByteArray::number(status));
    }
    void stall(const QString& path) { rule(path, {}); } // reads the request, never answers
    void trickle(const QString& path, const QByteArray& body, int tickMs) // 16 bytes a tick
    {
        rule(path, head(200, body.size()) + body, false, tickMs);
    }
    // Announces the whole body, sends the first half and closes the connection.
    void dropMidBody(const QString& path, const QByteArray& body)
    {
        rule(path, head(200, body.size()) + body.left(body.size() / 2), true);
    }
    void redirect(const QString& path, const QString& location, int status = 302)
    {
        rule(path, head(status, 5, location.toUtf8()) + "moved");
    }

    // Requests seen since start or the last resetCounts, stalled ones included.
    int requestCount() const { return int(requestedPaths().size()); }
    QStringList requestedPaths() const
    {
        const QMutexLocker lock(&mutex_);
        return paths_;
    }
    int maxConnections() const // the most connections open at once
    {
        const QMutexLocker lock(&mutex_);
        return maxConnections_;
    }
    void resetCounts()
    {
        const QMutexLocker lock(&mutex_);
        paths_.clear();
        maxConnections_ = 0;
    }

    void stop(); // the server is gone: connections are refused

private:
    struct Rule {
        QByteArray reply; // none: never answers
        bool close = false;
        int delayMs = 0;
        int trickleMs = 0; // a few bytes at a time, this far apart
    };
    static QByteArray head(int status, qint64 length, const QByteArray& location = {});
    // An empty reply: none ever comes.
    void rule(const QString& path, const QByteArray& reply, bool close = false, int trickleMs = 0,
              int delayMs = 0)
    {
        const QMutexLocker lock(&mutex_);
        rules_.insert(path, Rule{reply, close, delayMs, trickleMs});
    }
    void process(QTcpSocket* socket, QByteArray& buffer);

    QThread thread_;
    QTcpServer* server_ = nullptr; // lives in thread_, as do the sockets it makes
    bool secure_ = false;
    quint16 port_ = 0;
    mutable QMutex mutex_; // guards rules_, paths_ and maxConnections_
    QHash<QString, Rule> rules_;
    QStringList paths_;
    int maxConnections_ = 0;
};
