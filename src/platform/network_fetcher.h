#pragma once

#include "platform/url_fetcher.h"

#include <QtGlobal>
#include <memory>

class QNetworkAccessManager;

// Fetches http and https URLs with QNetworkAccessManager, through the system's proxy settings.
//
// Names in URLs and file names: list texts are decoded from Windows-1252 into Unicode once, when
// they are read. A URL is then parsed leniently, so a character outside ASCII (and a blank) is
// sent percent-encoded as UTF-8, which is what current web servers map onto their UTF-8 file
// names. A Cache file name is the same Unicode name stored as a native file name (UTF-8 here).
// Every caller goes through this one fetcher and the one list decoder, so both stay consistent.
class NetworkFetcher : public UrlFetcher {
public:
    static constexpr int DefaultIdleTimeoutMs = 30 * 1000;
    static constexpr qint64 DefaultMaxBytes = qint64(64) * 1024 * 1024;
    static constexpr int MaxRedirects = 10;

    explicit NetworkFetcher(int idleTimeoutMs = DefaultIdleTimeoutMs,
                            qint64 maxBytes = DefaultMaxBytes);
    ~NetworkFetcher() override;

    // Waits in a nested event loop that takes no user input. The body goes to a temporary file
    // beside targetPath, which replaces targetPath only after a complete, successful transfer.
    bool fetch(const QString& url, const QString& targetPath) override;

    // The URL as it is requested: backslashes become slashes (the server has one folder per
    // category), non-ASCII characters are percent-encoded UTF-8. Empty when it is no http(s) URL.
    static QString requestUrl(const QString& url);

private:
    QNetworkAccessManager& manager();

    int idleTimeoutMs_;
    qint64 maxBytes_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};
