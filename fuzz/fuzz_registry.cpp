// Wine registry files: the first line of the input is the key path, the second the value
// name, the rest the file's text.
#include "platform/linux/wine_registry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype first = bytes.indexOf('\n');
    const qsizetype second = first < 0 ? -1 : bytes.indexOf('\n', first + 1);
    if (second < 0)
        return 0;
    const QString key = QString::fromUtf8(bytes.left(first));
    const QString name = QString::fromUtf8(bytes.mid(first + 1, second - first - 1));
    const WineRegistry registry(bytes.mid(second + 1));
    const bool header = registry.hasHeader();
    const std::optional<WineRegistryValue> value = registry.value(key, name);
    if (value) {
        if (!header)
            __builtin_trap(); // a file without the header is never read
        const QString text = value->asText();
        if (text.contains(QChar(0)))
            __builtin_trap(); // text ends at the first NUL
    }

    // The escapes on their own, ending at a quote.
    const QString raw = QString::fromUtf8(bytes.mid(second + 1));
    qsizetype consumed = 0;
    const QString unescaped = WineRegistry::unescape(raw, QLatin1Char('"'), consumed);
    if (consumed < -1 || consumed > raw.size() || unescaped.size() > raw.size())
        __builtin_trap();
    return 0;
}
