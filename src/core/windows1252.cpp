#include "core/windows1252.h"

namespace {
// 0x80..0x9F; 0 where the code page leaves the byte undefined (it then maps to the C1 control
// of the same number, as Windows itself does).
constexpr char16_t High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                               0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t toUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F && High[byte - 0x80] != 0)
        return High[byte - 0x80];
    return byte;
}

int toByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (High[i] == c && c != 0)
            return 0x80 + i;
    }
    if (c >= 0x80 && c <= 0x9F && High[c - 0x80] == 0)
        return c; // the undefined bytes round-trip
    return -1;
}
} // namespace

QString fromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(toUnicode(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray toWindows1252(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = toByte(text[i].unicode());
        bytes[i] = static_cast<char>(b < 0 ? '?' : b);
    }
    return bytes;
}

bool isWindows1252(const QString& text)
{
    for (const QChar c : text) {
        if (toByte(c.unicode()) < 0)
            return false;
    }
    return true;
}
