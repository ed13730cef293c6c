// Runs the Windows registry reader inside Wine for the tests: prints "[<value>]" (UTF-8) for each
// value path given on the command line.
#include "platform/windows/registry_value.h"

#include <cstdio>
#include <string>
#include <windows.h>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const int wideLength = MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0);
        std::wstring path(wideLength > 0 ? wideLength : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, argv[i], -1, &path[0], wideLength);
        path.resize(wideLength > 0 ? wideLength - 1 : 0);

        const std::wstring value = readRegistryValue32(path);
        std::string text;
        if (!value.empty()) {
            const int length =
                WideCharToMultiByte(CP_UTF8, 0, value.c_str(), static_cast<int>(value.size()),
                                    nullptr, 0, nullptr, nullptr);
            text.resize(length);
            WideCharToMultiByte(CP_UTF8, 0, value.c_str(), static_cast<int>(value.size()), &text[0],
                                length, nullptr, nullptr);
        }
        std::printf("[%s]\n", text.c_str());
    }
    std::fflush(stdout);
    return 0;
}
