#pragma once

#include "core/services/url_fetcher.h"

#include <QtGlobal>
#include <memory>

// Fetches http and https URLs with libcurl on the calling thread, driven by its event loop:
// libcurl's sockets are watched by socket notifiers and its time-outs by a timer, so nothing
// here ever waits. Proxies are those named in the usual environment variables (http_proxy,
// https_proxy, no_proxy).
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
    // A file allowed no more than this is held in memory until it is complete, so one that
    // turns out too large leaves not even a temporary file behind; larger ones go to the disk
    // as they come.
    static constexpr qint64 HeldInMemoryMaxBytes = qint64(8) * 1024 * 1024;
    static constexpr int MaxRedirects = 10;
    // Connections to the server at once for files fetched ahead, as a browser opens.
    static constexpr int MaxParallel = 6;
    static constexpr size_t MaxHeldAhead = 12;

    // The wait for the answer is the shorter of ConnectTimeoutMs and idleTimeoutMs. maxBytes
    // caps every fetch, whatever its caller allows.
    explicit NetworkFetcher(int idleTimeoutMs = DefaultIdleTimeoutMs,
                            qint64 maxBytes = DefaultMaxBytes,
                            int totalTimeoutMs = DefaultTotalTimeoutMs,
                            int rateWindowMs = DefaultRateWindowMs,
                            qint64 minBytesPerWindow = DefaultMinBytesPerWindow);
    ~NetworkFetcher() override;

    // A temporary file beside targetPath gets the body, and replaces targetPath only after a
    // complete, successful transfer: a 2xx answer after at most MaxRedirects redirects, never
    // from https down to http, within the time-outs and above the rate above, at most
    // maxBytes. Up to HeldInMemoryMaxBytes, even the temporary file waits for the whole body.
    FetchId fetch(const QString& url, const QString& targetPath, qint64 maxBytes, QObject* receiver,
                  Finished finished) override;
    FetchId fetchAlone(const QString& url, const QString& targetPath, qint64 maxBytes,
                       QObject* receiver, Finished finished) override;
    // At most MaxParallel connections at once, the fetches being waited for included (the one
    // started ahead last gives way to them), and at most MaxHeldAhead running or held, each
    // within the rules of fetch() and its maxBytes. A fetch whose turn comes takes its copy,
    // or goes on waiting for it.
    void fetchAhead(const QStringList& urls, qint64 maxBytes) override;
    // Within a run, a fetch that got no answer at all, ran out of time or was cancelled makes
    // the later ones fail without asking the server. A refusal for size is the file's fault,
    // not the server's: the run goes on.
    void beginRun() override;
    void endRun() override;
    void cancel(FetchId id) override;
    void cancelAll() override;

private:
    struct Session;
    Session& session();

    int idleTimeoutMs_;
    qint64 maxBytes_;
    int totalTimeoutMs_;
    int rateWindowMs_;
    qint64 minBytesPerWindow_;
    // Kept from one fetch to the next, so the connection to the server is reused across the
    // many small list files.
    std::unique_ptr<Session> session_;
};
