#include "platform/windows/win32_services.h"

#include "platform/windows/registry_value.h"

#include <functional>
#include <unordered_map>
#include <windows.h>

namespace {
// Sends whose answer a round waits for, by number. An answer that comes after its round has
// ended (out of time, cancelled, the service gone) finds nothing here and is dropped.
std::unordered_map<ULONG_PTR, std::function<void()>>& awaitedAnswers()
{
    static std::unordered_map<ULONG_PTR, std::function<void()>> answers;
    return answers;
}

void CALLBACK closeAnswered(HWND, UINT, ULONG_PTR send, LRESULT)
{
    auto answer = awaitedAnswers().extract(send);
    if (!answer.empty())
        answer.mapped()();
}
} // namespace

Win32WindowService::Win32WindowService(int timeLimitMs) : timeLimitMs_(timeLimitMs)
{
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer); // a coarse timer may fire before the deadline
    QObject::connect(&deadline_, &QTimer::timeout, &context_, [this] { outOfTime(); });
}

Win32WindowService::~Win32WindowService()
{
    cancel();
}

void Win32WindowService::closeWindows(const QStringList& classes, QObject* receiver,
                                      Finished finished)
{
    if (rounds_.add(classes, receiver, std::move(finished))) {
        deadline_.start(timeLimitMs_);
        closeNext();
    }
}

void Win32WindowService::cancel()
{
    rounds_.dropAll();
    deadline_.stop();
    forgetAwaited();
}

void Win32WindowService::closeNext()
{
    static ULONG_PTR lastSend = 0;
    CloseRounds::Round& round = rounds_.current();
    while (round.next < round.classes.size()) {
        const QString& windowClass = round.classes[round.next++];
        // Any title; class names compare without regard to case.
        const HWND window =
            FindWindowW(reinterpret_cast<const wchar_t*>(windowClass.utf16()), nullptr);
        if (!window)
            continue;
        const ULONG_PTR send = ++lastSend;
        // A window the system already knows to be hung gets the message but is not waited for.
        const bool wait = !IsHungAppWindow(window);
        if (wait) // before sending: a window of this thread answers inside the call
            awaitedAnswers()[send] = [this, send] {
                // On from the event loop, never from inside a call of ours.
                QMetaObject::invokeMethod(
                    &context_,
                    [this, send] {
                        if (awaited_ != send)
                            return;
                        awaited_ = 0;
                        closeNext();
                    },
                    Qt::QueuedConnection);
            };
        if (!SendMessageCallbackW(window, WM_CLOSE, 0, 0, closeAnswered, send)) {
            awaitedAnswers().erase(send); // gone in between
            continue;
        }
        round.found << windowClass;
        if (wait) {
            awaited_ = send;
            return;
        }
    }
    finishRound();
}

void Win32WindowService::outOfTime()
{
    if (awaited_)
        qWarning("Messenger's %s window did not handle the close message in time",
                 qUtf8Printable(rounds_.current().found.last()));
    forgetAwaited();
    finishRound();
}

void Win32WindowService::forgetAwaited()
{
    if (awaited_)
        awaitedAnswers().erase(awaited_);
    awaited_ = 0;
}

void Win32WindowService::finishRound()
{
    deadline_.stop();
    if (rounds_.finishCurrent()) {
        deadline_.start(timeLimitMs_);
        closeNext();
    }
}

QString Win32RegistryReader::readValue(const QString& valuePath)
{
    return QString::fromStdWString(readRegistryValue32(valuePath.toStdWString()));
}

namespace {
// Where Visual Basic's GetSetting and SaveSetting keep a program's settings: a user who had the
// old program keeps what was stored there.
std::wstring settingsKey(const QString& app, const QString& section)
{
    return (QStringLiteral("Software\\VB and VBA Program Settings\\") + app + QLatin1Char('\\') +
            section)
        .toStdWString();
}
} // namespace

QString RegistrySettingsStore::getSetting(const QString& app, const QString& section,
                                          const QString& key, const QString& defaultValue)
{
    const std::optional<std::wstring> value =
        readUserValue(settingsKey(app, section), key.toStdWString());
    return value ? QString::fromStdWString(*value) : defaultValue;
}

bool RegistrySettingsStore::saveSetting(const QString& app, const QString& section,
                                        const QString& key, const QString& value)
{
    return writeUserValue(settingsKey(app, section), key.toStdWString(), value.toStdWString());
}
