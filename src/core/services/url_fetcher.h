#pragma once

#include <QString>
#include <QStringList>

// Fetches one URL into one local file and returns when the transfer has ended. While it waits
// the caller's window keeps repainting and can be closed, but takes no other user input.
class UrlFetcher {
public:
    virtual ~UrlFetcher() = default;
    // true when the whole resource now stands in targetPath; false on any failure, in which case
    // the file that was at targetPath before is left as it was.
    virtual bool fetch(const QString& url, const QString& targetPath) = 0;
    // Within a run: these URLs will be fetched next, in this order. The fetcher may start them
    // ahead and hold what arrives until fetch() asks for it; nothing reaches a file before
    // that, and what the run never asks for is dropped.
    virtual void fetchAhead(const QStringList& urls) { Q_UNUSED(urls) }

    // A run of fetches from one server, such as a loading pass. Within a run, once the server
    // could not be reached or did not answer in time, the later fetches fail at once: a dead
    // server costs the user one wait, not one per file.
    virtual void beginRun() {}
    virtual void endRun() {}

    // The program is closing: a running fetch ends at once as a failure, and every later one
    // fails without starting.
    virtual void cancel() = 0;
};

// Keeps a run open for the lifetime of the object.
class FetchRun {
public:
    explicit FetchRun(UrlFetcher& fetcher) : fetcher_(fetcher) { fetcher_.beginRun(); }
    ~FetchRun() { fetcher_.endRun(); }
    FetchRun(const FetchRun&) = delete;
    FetchRun& operator=(const FetchRun&) = delete;

private:
    UrlFetcher& fetcher_;
};
