#pragma once

#include <QString>
#include <memory>

// A skin server on 127.0.0.1 that answers every category list with far more than any list may
// hold: its category list names `categories` categories, and each category's list is `listBytes`
// of names, streamed as the client takes them (never held whole), chunked without a length or,
// with `withLength`, under a Content-Length. Runs on a thread of its own.
class HostileServer {
public:
    HostileServer(int categories, qint64 listBytes, bool withLength);
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    QString baseUrl() const; // "http://127.0.0.1:<port>/"
    // Bytes of list bodies sent so far, over all connections.
    qint64 bytesSent() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
