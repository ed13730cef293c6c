#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

// A small HTTP/1.1 server on 127.0.0.1 (ephemeral port) that runs in its own thread, so a test
// may block its own thread in a nested event loop while the server answers. Keep-alive, one
// write per response, TCP_NODELAY. Paths are the decoded URL path ("/Auto Motor.txt"); a path
// with no rule is answered 404.
class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    // "http://127.0.0.1:<port>/"
    QString baseUrl() const;

    // In-memory answers; a later rule for the same path replaces an earlier one.
    void setFile(const QString& path, const QByteArray& body);
    void answerStatus(const QString& path, int status);
    // Reads the request and never answers it.
    void stall(const QString& path);
    // Announces the whole body, sends the first half and closes the connection.
    void dropMidBody(const QString& path, const QByteArray& body);
    void redirect(const QString& path, const QString& location, int status = 302);
    // Announces the whole body, then sends one byte every intervalMs.
    void trickle(const QString& path, const QByteArray& body, int intervalMs);
    // Every response waits this long before it goes out.
    void setDelay(int milliseconds);

    // Requests seen since start (or the last resetCounts), stalled ones included.
    int requestCount() const;
    QStringList requestedPaths() const;
    // The paths as they came over the wire, still percent-encoded.
    QList<QByteArray> rawRequestPaths() const;
    void resetCounts();

    // Closes the listener and every connection: the server is gone, connections are refused.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Plays one named fault for path: "404", "500", "cut off" (half of body), "never answers",
// "redirect loop", "redirect to ftp", "server gone" (stops the server); anything else serves body.
void playFault(HttpTestServer& server, const QString& fault, const QString& path,
               const QByteArray& body);
