#pragma once

#include "core/services/window_service.h"
#include "platform/common/close_rounds.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QProcess;

// Messenger on Linux runs inside Wine, where its windows are Win32 windows that the X server
// never sees by class. This service runs the small Windows helper drapello-closewin inside
// Messenger's prefix, one run per class, and reads the helper's answer. It never starts a Wine
// server: when none is running for the prefix, no Messenger window can exist and nothing is run.
// Everything runs on the event loop: process and timer signals drive a round from class to class.
class WineWindowService : public WindowService {
public:
    // prefix gives the Wine prefix at the start of each round (the setting may change while the
    // program runs). helperFolder holds drapello-closewin64.exe and drapello-closewin32.exe.
    // wineProgram is the Wine loader, by name on the PATH or by full path. timeLimitMs bounds
    // one round.
    WineWindowService(std::function<QString()> prefix, QString helperFolder,
                      QString wineProgram = QStringLiteral("wine"),
                      int timeLimitMs = helperTimeoutMs);
    ~WineWindowService() override;

    // A round asked for while another runs waits its turn: rounds run one after the other, in
    // the order asked, each with its own time limit counted from its start.
    void closeWindows(const QStringList& classes, QObject* receiver, Finished finished) override;
    // Ends the running round (its helper killed) and drops the waiting ones; no finished of
    // theirs runs, not even one already on its way.
    void cancel() override;

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
    void startRound();
    void runNextClass();
    void readOutput();
    void helperEnded();
    void outOfTime();
    void stopHelper();
    void finishRound();

    std::function<QString()> prefix_;
    QString helperFolder_;
    QString wineProgram_;
    int timeLimitMs_;
    CloseRounds rounds_;
    // What the running round runs: found once per round.
    QString roundPrefix_, roundHelper_, roundWine_;
    QObject context_; // owns the helper runs; their connections end with the service
    QProcess* helper_ = nullptr;
    QByteArray output_;
    QTimer deadline_;
};
