// List files as they come from a server: decoding, the marker, splitting, the file-name check.
#include "core/app_error.h"
#include "core/catalogue/list_format.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = listformat::decodeList(bytes);
    if (text.size() != bytes.size())
        __builtin_trap(); // one character per byte, always
    listformat::isNotFoundMarker(text);
    try {
        const QStringList names = listformat::splitList(text);
        if (names.size() > listformat::MaxNames)
            __builtin_trap();
        qsizetype total = names.isEmpty() ? 0 : names.size() - 1;
        for (const QString& name : names) {
            total += name.size();
            if (name.size() > listformat::MaxNameBytes)
                __builtin_trap();
            if (listformat::isSafeCategoryName(name) &&
                (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
                 name == QLatin1String("..")))
                __builtin_trap();
        }
        if (total != text.size())
            __builtin_trap(); // splitting loses or invents nothing
        if (listformat::encodeList(names) != bytes)
            __builtin_trap(); // what is read can be written back byte for byte
    } catch (const AppError& e) {
        if (e.number() != 6 && e.number() != 52)
            __builtin_trap();
    }
    return 0;
}
