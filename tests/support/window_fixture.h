#pragma once

#include "app/form1.h"
#include "platform/network_fetcher.h"
#include "support/test_platform.h"

#include <memory>

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

    // The tree as text: " VOR Uzide( A(x,y), B(z))"; nodes without children have no brackets.
    QString treeShape() const;
    int progress() const;
    // Every file below the profile, relative to it, sorted.
    QStringList filesInProfile() const;

    TestProfile profile;
    Platform platform;
    std::unique_ptr<Form1> form;
};
