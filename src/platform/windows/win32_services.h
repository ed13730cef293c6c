#pragma once

#include "core/services/registry_reader.h"
#include "core/services/settings_store.h"
#include "core/services/window_service.h"
#include "platform/common/close_rounds.h"

#include <QObject>
#include <QTimer>

// Messenger's windows, straight through user32. The close message is sent without waiting
// (SendMessageCallbackW): its answer comes back through this thread's message queue, which Qt's
// event loop reads, so a hung Messenger holds up nothing but the round. Use from one thread.
class Win32WindowService : public WindowService {
public:
    explicit Win32WindowService(int timeLimitMs = answerTimeoutMs);
    ~Win32WindowService() override;

    // A round asked for while another runs waits its turn: rounds run one after the other, in
    // the order asked, each with its own time limit counted from its start.
    void closeWindows(const QStringList& classes, QObject* receiver, Finished finished) override;
    // Ends the running round and drops the waiting ones; no finished of theirs runs, not even one
    // already on its way.
    void cancel() override;

    // How long a round may wait for Messenger's windows to handle the close message.
    static constexpr int answerTimeoutMs = 5000;

private:
    void closeNext();
    void outOfTime();
    void forgetAwaited();
    void finishRound();

    int timeLimitMs_;
    CloseRounds rounds_;
    quintptr awaited_ = 0; // the send whose answer the round waits for; 0 for none
    QObject context_;      // queued steps die with the service
    QTimer deadline_;
};

// Values from the 32-bit view of the registry, where 32-bit Messenger writes them.
class Win32RegistryReader : public RegistryReader {
public:
    QString readValue(const QString& valuePath) override;
};

// Settings in the current user's registry branch for program settings, one value per key
// (HKCU\Software\VB and VBA Program Settings\<app>\<section>), where other programs look for them.
class RegistrySettingsStore : public SettingsStore {
public:
    QString getSetting(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    bool saveSetting(const QString& app, const QString& section, const QString& key,
                     const QString& value) override;
};
