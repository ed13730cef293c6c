#pragma once

#include "core/services/url_fetcher.h"

#include <QtGlobal>
#include <memory>

class SafeFile;
struct FetchLimits;
struct FetchTransfer;

// Fetches http and https URLs with libcurl on the calling thread, through the proxy named in the
// usual environment variables (http_proxy, https_proxy, no_proxy).
//
// Names in URLs and file names: list texts are decoded from Windows-1252 into Unicode once, when
// they are read. A URL is then parsed leniently, so a character outside ASCII (and a blank) is
// sent percent-encoded as UTF-8, which is what current web servers map onto their UTF-8 file
// names. A Cache file name is the same Unicode name stored as a native file name (UTF-8 here).
// Every caller goes through this one fetcher and the one list decoder, so both stay consistent.
class NetworkFetcher : public UrlFetcher {
public:
    // Until the server's answer has begun: its headers complete (name look-up and connecting
    // included), and again for each redirect's hop.
    static constexpr int ConnectTimeoutMs = 10 * 1000;
    // Silence once the answer has begun.
    static constexpr int DefaultIdleTimeoutMs = 30 * 1000;
    // A whole file, however it trickles in.
    static constexpr int DefaultTotalTimeoutMs = 60 * 1000;
    // The slowest body accepted: every window brings at least this many bytes (about 1 KiB/s,
    // slower than any modem).
    static constexpr int DefaultRateWindowMs = 10 * 1000;
    static constexpr qint64 DefaultMinBytesPerWindow = 10 * 1024;
    static constexpr qint64 DefaultMaxBytes = qint64(64) * 1024 * 1024;
    static constexpr int MaxRedirects = 10;
    // Connections to the server at once for files fetched ahead, as a browser opens.
    static constexpr int MaxParallel = 6;
    static constexpr size_t MaxHeldAhead = 12;

    // The wait for the answer is the shorter of ConnectTimeoutMs and idleTimeoutMs.
    explicit NetworkFetcher(int idleTimeoutMs = DefaultIdleTimeoutMs,
                            qint64 maxBytes = DefaultMaxBytes,
                            int totalTimeoutMs = DefaultTotalTimeoutMs,
                            int rateWindowMs = DefaultRateWindowMs,
                            qint64 minBytesPerWindow = DefaultMinBytesPerWindow);
    ~NetworkFetcher() override;

    // Waits while the window's events (repaints, timers, a close request) are processed; user
    // input meanwhile waits for its end. The body goes to a temporary file beside targetPath, which
    // replaces targetPath only after a complete, successful transfer: a 2xx answer after at most
    // MaxRedirects redirects, never from https down to http, within the time-outs and above the
    // rate above, at most maxBytes. An exception thrown from the window's events ends this fetch
    // (the old file stays) and goes on to the caller; the next fetch works as before.
    bool fetch(const QString& url, const QString& targetPath) override;
    // At most MaxParallel at once, the fetch being waited for included (one started ahead gives
    // way to it), and at most MaxHeldAhead running or held, each within the rules of fetch()
    // (the size cap included). A fetch whose turn comes takes its copy, or waits for it; what
    // the run does not ask for is dropped at its end, and cancel() drops them all.
    void fetchAhead(const QStringList& urls) override;
    // Within a run, a fetch that got no answer at all or ran out of time makes the later ones
    // fail without asking the server.
    void beginRun() override;
    void endRun() override;
    void cancel() override;

private:
    struct Session;
    Session& session();
    FetchLimits limits() const;
    std::unique_ptr<FetchTransfer> start(const QString& url, SafeFile* target);
    void startWaitingAhead();
    void dropAhead();
    void wait(FetchTransfer& current);

    int idleTimeoutMs_;
    qint64 maxBytes_;
    int totalTimeoutMs_;
    int rateWindowMs_;
    qint64 minBytesPerWindow_;
    bool inRun_ = false;
    bool serverDead_ = false;
    bool cancelled_ = false;
    // Kept from one fetch to the next, so the connection to the server is reused across the
    // many small list files.
    std::unique_ptr<Session> session_;
};
