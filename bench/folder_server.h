#pragma once

#include <QString>
#include <memory>

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
