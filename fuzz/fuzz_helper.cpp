// The Windows helper's answer: the first line of the input is the window class, the rest the
// helper's output.
#include "platform/linux/wine_window_service.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype first = bytes.indexOf('\n');
    if (first < 0)
        return 0;
    const QString windowClass = QString::fromLatin1(bytes.left(first));
    const QByteArray output = bytes.mid(first + 1);
    if (WineWindowService::foundInOutput(output, windowClass) && !output.contains("closed") &&
        !output.contains("no-answer"))
        __builtin_trap(); // only the two answers mean found
    return 0;
}
