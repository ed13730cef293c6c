#pragma once

#include "core/services/window_service.h"

#include <QDeadlineTimer>
#include <QString>
#include <functional>

// Messenger on Linux runs inside Wine, where its windows are Win32 windows that the X server
// never sees by class. This service runs the small Windows helper drapello-closewin inside
// Messenger's prefix, one run per class, and reads the helper's answer. It never starts a Wine
// server: when none is running for the prefix, no Messenger window can exist and nothing is run.
class WineWindowService : public WindowService {
public:
    // prefix gives the Wine prefix at the moment of each call (the setting may change while the
    // program runs). helperFolder holds drapello-closewin64.exe and drapello-closewin32.exe.
    // wineProgram is the Wine loader, by name on the PATH or by full path. timeLimitMs bounds
    // one round (or one call outside a round).
    WineWindowService(std::function<QString()> prefix, QString helperFolder,
                      QString wineProgram = QStringLiteral("wine"),
                      int timeLimitMs = helperTimeoutMs);

    bool closeWindowOfClass(const QString& windowClass) override;
    void beginRound() override;
    void endRound() override;

    // How long a round of helper runs may take before the run is stopped: wine's own start plus
    // the helper's five-second wait for a hung window.
    static constexpr int helperTimeoutMs = 15000;
    // The helper prints one short line per class; more than this is not an answer, and the run
    // is stopped rather than read to its end.
    static constexpr qint64 maxOutputBytes = 4096;

    // The helper's answer for the class: true for "closed" or "no-answer" (found and sent the
    // message), false for "not-found" or no line about the class.
    static bool foundInOutput(const QByteArray& output, const QString& windowClass);

private:
    std::function<QString()> prefix_;
    QString helperFolder_;
    QString wineProgram_;
    int timeLimitMs_;
    int roundDepth_ = 0;
    QDeadlineTimer roundDeadline_;
};
