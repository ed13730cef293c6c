// A stand-in for Messenger under Wine: standin_messenger LOGFILE CLASS:COUNT:visible|hidden ...
// opens COUNT windows of each class, logs "ready", then "WM_CLOSE <class> <title>" per close
// request. It ends with its last window, or after two minutes.
#include <cstdio>
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
    if (message == WM_CLOSE) {
        char className[256] = {}, title[256] = {};
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        appendLine(std::string("WM_CLOSE ") + className + " " + title);
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY && --liveWindows == 0)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

int main(int argc, char** argv)
{
    logPath = argc > 1 ? argv[1] : "NUL";
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int i = 2; i < argc; ++i) {
        char className[128] = {}, shown[16] = {};
        int count = 0;
        if (std::sscanf(argv[i], "%127[^:]:%d:%15s", className, &count, shown) != 3)
            return 2;
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = className;
        if (!RegisterClassA(&windowClass))
            return 3;
        for (int n = 1; n <= count; ++n, ++liveWindows) {
            HWND window = CreateWindowExA(0, className, ("window" + std::to_string(n)).c_str(),
                                          WS_OVERLAPPEDWINDOW, 20 * n, 20 * n, 200, 120, nullptr,
                                          nullptr, instance, nullptr);
            if (std::string(shown) == "visible")
                ShowWindow(window, SW_SHOWNORMAL);
        }
    }
    appendLine("ready");
    SetTimer(nullptr, 0, 120000, nullptr); // never outlives the test run
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER)
        DispatchMessageA(&message);
    return 0;
}
