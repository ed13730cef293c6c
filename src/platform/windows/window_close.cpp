#include "platform/windows/window_close.h"

#include <windows.h>

CloseOutcome closeTopLevelWindow(const char* windowClass)
{
    HWND window = FindWindowA(windowClass, nullptr);
    if (!window)
        return CloseOutcome::NotFound;
    // A hung Messenger must not hang us: give up after five seconds, or at once when the system
    // already knows the window's thread is not responding.
    DWORD_PTR result = 0;
    const LRESULT handled =
        SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return handled ? CloseOutcome::Closed : CloseOutcome::NoAnswer;
}

const char* closeOutcomeWord(CloseOutcome outcome)
{
    switch (outcome) {
    case CloseOutcome::Closed:
        return "closed";
    case CloseOutcome::NoAnswer:
        return "no-answer";
    case CloseOutcome::NotFound:
        break;
    }
    return "not-found";
}
