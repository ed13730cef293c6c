#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class QObject;

// Fetches URLs into local files. Every fetch starts and returns at once; its outcome follows
// later, from the event loop.
class UrlFetcher {
public:
    // Called once per fetch, from the event loop: never from inside the call that started it.
    using Finished = std::function<void(bool arrived)>;
    using FetchId = quint64;

    virtual ~UrlFetcher() = default;

    // Starts fetching url into targetPath and returns at once. finished(true) once the whole
    // resource, at most maxBytes, stands in targetPath; finished(false) on any failure, the file
    // that was at targetPath then left as it was. finished runs on receiver's thread, and not
    // at all once receiver is gone. Any number of fetches may run at once.
    virtual FetchId fetch(const QString& url, const QString& targetPath, qint64 maxBytes,
                          QObject* receiver, Finished finished) = 0;
    // As fetch(), but outside any run: a run that gave up on its server does not refuse it, and
    // its own failure gives up on nothing. For a look at another server while a run reads one.
    virtual FetchId fetchAlone(const QString& url, const QString& targetPath, qint64 maxBytes,
                               QObject* receiver, Finished finished)
    {
        return fetch(url, targetPath, maxBytes, receiver, std::move(finished));
    }
    // Within a run: these URLs will be fetched next, in this order, each at most maxBytes. The
    // fetcher may start them ahead and hold what arrives until fetch() asks for it; nothing
    // reaches a file before that, and what the run never asks for is dropped.
    virtual void fetchAhead(const QStringList& urls, qint64 maxBytes)
    {
        Q_UNUSED(urls)
        Q_UNUSED(maxBytes)
    }

    // A run of fetches from one server, such as a loading pass. Within a run, once the server
    // could not be reached, did not answer in time, or the user gave up on a fetch, the later
    // fetches fail at once: a dead server costs the user one wait, not one per file.
    virtual void beginRun() {}
    virtual void endRun() {}

    // This fetch is no longer wanted (the user gave up on it, or its picture left the view): it
    // ends now as a failure, its finished(false) follows. Nothing happens for a fetch that has
    // ended.
    virtual void cancel(FetchId id) = 0;
    // The program is closing: every fetch, running or ahead, ends now as a failure.
    virtual void cancelAll() = 0;
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
