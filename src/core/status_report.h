#pragma once

#include "core/language/ui_text.h"
#include "core/preview/picture_decoder.h"

#include <QObject>
#include <QString>

class AppError;
class LanguageTable;

// What the window shows of the program's state, reported in the order it happens: the status
// text, the progress bar (steps of ten), the busy cursor, the preview and whether it can be
// installed. The core's objects report here; the window listens.
class StatusReport : public QObject {
    Q_OBJECT
public:
    static constexpr int ProgressStep = 10;
    static constexpr int ProgressMaximum = 100;

    explicit StatusReport(const LanguageTable& language) : language_(language) {}

    QString text(UiText id) const;

    void setStatus(const QString& text);
    // A status text that says something failed (a download, a missing list).
    void showFailure(const QString& text);
    const QString& status() const { return status_; }
    // The status text says what failed: an error line or a failure's message.
    bool failureShown() const { return failureShown_; }
    // One step of ten; a step past the end is dropped.
    void step();
    void clearProgress();
    int progress() const { return progress_; }
    void setBusy(bool busy);
    // A null picture: the placeholder, and nothing to install.
    void showPreview(const Picture& picture);
    void setInstallAvailable(bool available);
    bool installAvailable() const { return installAvailable_; }

    // The error prefix of the language in use, the number, " - ", the description.
    QString errorLine(const AppError& error) const;
    // Logs the error line and shows it; errorShown follows.
    void showError(const AppError& error);

Q_SIGNALS:
    void statusChanged(const QString& text);
    void progressChanged(int value);
    void busyChanged(bool busy);
    void previewChanged(const Picture& picture);
    void installAvailableChanged(bool available);
    void errorShown();

private:
    const LanguageTable& language_;
    QString status_;
    bool failureShown_ = false;
    int progress_ = 0;
    bool installAvailable_ = false;
};
