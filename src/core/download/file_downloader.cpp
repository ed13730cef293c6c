#include "core/download/file_downloader.h"

#include "core/status_report.h"

namespace {
// Only space characters count as blanks here; tabs and line breaks are part of the text.
QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}
} // namespace

FileDownloader::FileDownloader(UrlFetcher& fetcher, StatusReport& report)
    : fetcher_(fetcher), report_(report)
{
}

FileDownloader::~FileDownloader()
{
    abandon();
}

void FileDownloader::download(const QString& url, const QString& target, qint64 maxBytes,
                              const QString& successMessage, Done done)
{
    abandon();
    running_ = true;
    successMessage_ = successMessage;
    done_ = std::move(done);
    report_.setBusy(true);
    // The outcome of a download given up on may still be on its way: only this one's counts.
    fetch_ = fetcher_.fetch(trimBlanks(url), trimBlanks(target), maxBytes, this,
                            [this, download = ++downloads_](bool arrived) {
                                if (running_ && download == downloads_)
                                    finish(arrived);
                            });
}

void FileDownloader::finish(bool arrived)
{
    running_ = false;
    fetch_ = 0;
    report_.step();
    report_.setBusy(false);
    if (!arrived) {
        report_.showFailure(report_.text(UiText::DownloadFailed));
    } else {
        report_.step();
        report_.setStatus(successMessage_);
        report_.clearProgress();
    }
    // Taken first: done may start the next download.
    const Done done = std::exchange(done_, nullptr);
    if (done)
        done(arrived);
}

void FileDownloader::fetchAhead(const QStringList& urls, qint64 maxBytes)
{
    QStringList trimmed;
    trimmed.reserve(urls.size());
    for (const QString& url : urls)
        trimmed << trimBlanks(url);
    fetcher_.fetchAhead(trimmed, maxBytes);
}

bool FileDownloader::cancel()
{
    if (!running_)
        return false;
    fetcher_.cancel(fetch_); // its failure comes back through finish()
    return true;
}

void FileDownloader::abandon()
{
    if (!running_)
        return;
    running_ = false;
    done_ = nullptr;
    fetcher_.cancel(fetch_);
    fetch_ = 0;
    report_.setBusy(false);
}
