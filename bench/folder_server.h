#pragma once

#include <QString>
#include <QThread>
#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

// A TCP server on 127.0.0.1 in a thread of its own, so the bench may block its own thread while
// it serves. Each new connection is handed over in that thread; connections go with the server.
class LoopbackListener {
public:
    explicit LoopbackListener(std::function<void(QTcpSocket*)> accepted);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    QString baseUrl() const; // "http://127.0.0.1:<port>/"

private:
    QThread thread_;
    QTcpServer* server_ = nullptr; // lives in thread_
    quint16 port_ = 0;
};

// Serves the files of a folder over HTTP/1.1 on 127.0.0.1, from a thread of its own, keeping
// connections open as a web server does. delayMs holds back every answer and every new
// connection, as a distant server would.
class FolderServer {
public:
    explicit FolderServer(const QString& folder, int delayMs = 0);
    ~FolderServer();
    FolderServer(const FolderServer&) = delete;
    FolderServer& operator=(const FolderServer&) = delete;

    QString baseUrl() const; // "http://127.0.0.1:<port>/"

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
