// Language files as the program reads them: a line per text at most, of Windows-1252 text.
#include "core/language/language_table.h"
#include "core/language/language_file.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const LanguageFileContent content = readLanguageLines(buffer);
    if (content.lines.size() > LanguageTable::entryCount())
        __builtin_trap();
    if (content.complete() != (content.lines.size() >= LanguageTable::ClassicCount))
        __builtin_trap(); // complete means the 26 lines every file has, at least
    qsizetype total = 0;
    for (const QString& line : content.lines) {
        if (line.size() > MaxLanguageLineBytes || line.contains(QLatin1Char('\n')))
            __builtin_trap();
        total += line.size();
    }
    if (total > bytes.size())
        __builtin_trap(); // one character per byte at most
    return 0;
}
