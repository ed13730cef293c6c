#include "core/status_report.h"

#include "core/app_error.h"
#include "core/language/language_table.h"

#include <QLoggingCategory>

// Every status text, for a user's bug report or a test that watches the program from outside:
// QT_LOGGING_RULES="drapello.status.info=true".
Q_LOGGING_CATEGORY(statusLog, "drapello.status", QtWarningMsg)

QString StatusReport::text(UiText id) const
{
    return language_.text(id);
}

void StatusReport::setStatus(const QString& text)
{
    status_ = text;
    failureShown_ = false;
    qCInfo(statusLog, "status: %s", qUtf8Printable(text));
    Q_EMIT statusChanged(text);
}

void StatusReport::showFailure(const QString& text)
{
    setStatus(text);
    failureShown_ = true;
}

void StatusReport::step()
{
    const int next = progress_ + ProgressStep;
    if (next > ProgressMaximum)
        return;
    progress_ = next;
    Q_EMIT progressChanged(progress_);
}

void StatusReport::clearProgress()
{
    progress_ = 0;
    Q_EMIT progressChanged(0);
}

void StatusReport::setBusy(bool busy)
{
    Q_EMIT busyChanged(busy);
}

void StatusReport::showPreview(const Picture& picture)
{
    Q_EMIT previewChanged(picture);
}

void StatusReport::setInstallAvailable(bool available)
{
    installAvailable_ = available;
    Q_EMIT installAvailableChanged(available);
}

QString StatusReport::errorLine(const AppError& error) const
{
    return ::errorLine(language_.text(UiText::ErrorPrefix), error);
}

void StatusReport::showError(const AppError& error)
{
    const QString line = errorLine(error);
    qWarning("%s", qUtf8Printable(line)); // the status bar keeps only the last line
    showFailure(line);
    Q_EMIT errorShown();
}
