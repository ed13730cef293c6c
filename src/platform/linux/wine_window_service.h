#pragma once

#include "platform/window_service.h"

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
    // wineProgram is the Wine loader, by name on the PATH or by full path.
    WineWindowService(std::function<QString()> prefix, QString helperFolder,
                      QString wineProgram = QStringLiteral("wine"));

    bool closeWindowOfClass(const QString& windowClass) override;

    // How long one helper run may take before it is stopped: wine's own start plus the helper's
    // five-second wait for a hung window.
    static constexpr int helperTimeoutMs = 15000;

    // The helper's answer for the class: true for "closed" or "no-answer" (found and sent the
    // message), false for "not-found" or no line about the class.
    static bool foundInOutput(const QByteArray& output, const QString& windowClass);

private:
    std::function<QString()> prefix_;
    QString helperFolder_;
    QString wineProgram_;
};
