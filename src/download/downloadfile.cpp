#include "app/form1.h"
#include "download/cls_download.h"
#include "platform/platform.h"

#include <QApplication>

#include <memory>

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

bool Form1::downloadfile(const QString& url, const QString& pad, const QString& succesmessage)
{
    bool cursorBusy = false;
    try {
        auto download = std::make_unique<clsDownload>(*platform_.fetcher);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorBusy = true;
        const bool answer = download->Get_File(trimBlanks(url), trimBlanks(pad));
        add(1);
        QApplication::restoreOverrideCursor();
        cursorBusy = false;
        download.reset();
        if (answer) {
            add(1);
            setStatus(succesmessage);
            clear();
            return true;
        }
        setStatus(lang.MsgDownloadFailed());
    } catch (...) {
        clear();
        setStatus(lang.MsgDownloadFailed());
        if (cursorBusy)
            QApplication::restoreOverrideCursor();
    }
    return false;
}
