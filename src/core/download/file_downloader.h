#pragma once

#include <QString>
#include <QStringList>

class StatusReport;
class UrlFetcher;

// One URL into one file, with the busy cursor while it waits and the outcome in the status bar.
class FileDownloader {
public:
    FileDownloader(UrlFetcher& fetcher, StatusReport& report) : fetcher_(fetcher), report_(report)
    {
    }

    // true when the file arrived (the status then says `successMessage`); false, with the
    // failed-download message, on any failure. The file that was there stays on failure.
    bool download(const QString& url, const QString& target, const QString& successMessage);
    // The URLs the next downloads will ask for, in their order (see UrlFetcher::fetchAhead).
    void fetchAhead(const QStringList& urls);

private:
    UrlFetcher& fetcher_;
    StatusReport& report_;
};
