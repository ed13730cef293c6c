// A stand-in for Messenger, built for Windows and run inside Wine by the tests:
//   standin_messenger LOGFILE CLASS:COUNT:visible|hidden ...
// registers each class, opens COUNT top-level windows of it, writes "ready" to LOGFILE, and then
// appends "WM_CLOSE <class> <window title>" for every close request before closing that window.
// It ends when its last window is gone, or after two minutes whatever happens.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

const char* logPath = nullptr;
int liveWindows = 0;

void appendLine(const std::string& line)
{
    if (FILE* log = std::fopen(logPath, "ab")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE: {
        char className[256] = {};
        char title[256] = {};
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        appendLine(std::string("WM_CLOSE ") + className + " " + title);
        DestroyWindow(window);
        return 0;
    }
    case WM_DESTROY:
        if (--liveWindows == 0)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: standin_messenger LOGFILE CLASS:COUNT:visible|hidden...\n");
        return 2;
    }
    logPath = argv[1];
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int i = 2; i < argc; ++i) {
        const std::string spec = argv[i];
        const std::size_t first = spec.find(':');
        const std::size_t second = spec.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            return 2;
        const std::string className = spec.substr(0, first);
        const int count = std::atoi(spec.substr(first + 1, second - first - 1).c_str());
        const bool visible = spec.substr(second + 1) == "visible";

        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = className.c_str();
        if (!RegisterClassA(&windowClass))
            return 3;
        for (int n = 1; n <= count; ++n) {
            const std::string title = "window" + std::to_string(n);
            HWND window =
                CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 20 * n,
                                20 * n, 200, 120, nullptr, nullptr, instance, nullptr);
            if (!window)
                return 4;
            ++liveWindows;
            if (visible)
                ShowWindow(window, SW_SHOWNORMAL);
        }
    }
    appendLine("ready");
    // A stand-in that nobody closes must not outlive the test run.
    SetTimer(nullptr, 0, 120000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
