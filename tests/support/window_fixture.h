#pragma once

#include "app/form1.h"
#include "platform/network_fetcher.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QMap>
#include <memory>

// Serves each file under "/" + its name.
void serveFiles(HttpTestServer& server, const QMap<QString, QByteArray>& files);

// A main window on a temporary profile whose downloads go to a real server (usually an
// HttpTestServer) through the real fetcher, with a short idle time-out and the given size limit.
class WindowFixture {
public:
    WindowFixture(const QString& baseUrl, bool updateAtStart, int idleTimeoutMs = 1000,
                  qint64 maxBytes = NetworkFetcher::DefaultMaxBytes);

    // Loads the built-in language, which runs the load step and arms the loading timer.
    void start(const QString& commandLine = {});
    // Lets the timer run until a pass has switched it off; false when that takes too long.
    bool waitForPass(int timeoutMs = 30000);
    // start, then waitForPass.
    bool runPass(const QString& commandLine = {});

    // Files in the Cache folder: writing them by name, reading one, listing them.
    void seedCache(const QMap<QString, QByteArray>& files);
    QByteArray cached(const QString& name) const;
    QStringList cacheFiles() const;
    // A click on the node with this key, as the tree delivers it (through the command runner).
    void click(const QString& key);

    // The tree as text: " VOR Uzide( A(x,y), B(z))"; nodes without children have no brackets.
    QString treeShape() const;
    int progress() const;
    // Every file below the profile, relative to it, sorted.
    QStringList filesInProfile() const;

    TestProfile profile;
    Platform platform;
    std::unique_ptr<Form1> form;
};
