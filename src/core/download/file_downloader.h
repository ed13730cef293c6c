#pragma once

#include "core/services/url_fetcher.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class StatusReport;

// One URL into one file at a time, with the busy cursor while it runs and the outcome in the
// status bar.
class FileDownloader : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(bool arrived)>;

    FileDownloader(UrlFetcher& fetcher, StatusReport& report);
    ~FileDownloader() override;

    // Starts the download and returns. When it ends, the status says successMessage, or the
    // failed-download message on any failure (the file that was there then stays); done follows.
    void download(const QString& url, const QString& target, qint64 maxBytes,
                  const QString& successMessage, Done done);
    // The URLs the next downloads will ask for, in their order (see UrlFetcher::fetchAhead).
    void fetchAhead(const QStringList& urls, qint64 maxBytes);
    bool running() const { return running_; }
    // The user gives up on the running download: it ends as a failed one, reported as such.
    // false when none runs.
    bool cancel();
    // The running download ends without a word: a newer command takes over, or the program
    // closes. Its done never runs.
    void abandon();

private:
    void finish(bool arrived);

    UrlFetcher& fetcher_;
    StatusReport& report_;
    bool running_ = false;
    UrlFetcher::FetchId fetch_ = 0;
    quint64 downloads_ = 0;
    QString successMessage_;
    Done done_;
};
