#include "core/download/file_downloader.h"

#include "core/services/url_fetcher.h"
#include "core/status_report.h"

#include <new>

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

bool FileDownloader::download(const QString& url, const QString& target,
                              const QString& successMessage)
{
    bool arrived = false;
    report_.setBusy(true);
    try {
        arrived = fetcher_.fetch(trimBlanks(url), trimBlanks(target));
    } catch (const std::bad_alloc&) {
        // A body fetched ahead is held in memory until its turn: without room for it, only
        // this download fails.
        qWarning("Download of %s ended: out of memory", qUtf8Printable(url));
    }
    report_.step();
    report_.setBusy(false);
    if (!arrived) {
        report_.showFailure(report_.text(UiText::DownloadFailed));
        return false;
    }
    report_.step();
    report_.setStatus(successMessage);
    report_.clearProgress();
    return true;
}

void FileDownloader::fetchAhead(const QStringList& urls)
{
    QStringList trimmed;
    trimmed.reserve(urls.size());
    for (const QString& url : urls)
        trimmed << trimBlanks(url);
    fetcher_.fetchAhead(trimmed);
}
