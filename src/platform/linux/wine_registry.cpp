#include "platform/linux/wine_registry.h"

#include "files/regular_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The control characters Wine writes as C letter escapes (\n, \t...); 0 for other letters.
char16_t controlEscape(QChar c)
{
    static constexpr char letters[] = "abefnrtv";
    static constexpr char16_t codes[] = {0x07, 0x08, 0x1B, 0x0C, 0x0A, 0x0D, 0x09, 0x0B};
    for (int n = 0; n < 8; ++n) {
        if (c == QLatin1Char(letters[n]))
            return codes[n];
    }
    return 0;
}

bool isOctal(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '7';
}

// "xx,xx,..." with blanks allowed around each byte; false for anything else.
bool parseHexBytes(QStringView text, QByteArray& out)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    for (QStringView part : trimmed.split(QLatin1Char(','))) {
        part = part.trimmed();
        if (part.isEmpty() || part.size() > 2)
            return false;
        int byte = 0;
        for (QChar c : part) {
            const int d = hexDigit(c);
            if (d < 0)
                return false;
            byte = byte * 16 + d;
        }
        out.append(static_cast<char>(byte));
    }
    return true;
}

// The data after "name=": quoted strings, str(N):"...", hex:, hex(N):, dword:.
std::optional<WineRegistryValue> parseData(QStringView data)
{
    WineRegistryValue value;
    auto quotedFrom = [&](qsizetype at, quint32 type) -> std::optional<WineRegistryValue> {
        qsizetype consumed = 0;
        value.type = type;
        value.quoted = true;
        value.text = WineRegistry::unescape(data.mid(at), QLatin1Char('"'), consumed);
        if (consumed < 0)
            return std::nullopt;
        return value;
    };
    // "(N):" after a type word; N is hexadecimal, as Wine writes it.
    auto typeNumber = [&](qsizetype at, qsizetype& after) -> std::optional<quint32> {
        const qsizetype close = data.indexOf(QStringLiteral("):"), at);
        if (close < 0)
            return std::nullopt;
        bool ok = false;
        const quint32 type = data.mid(at, close - at).toString().toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        after = close + 2;
        return type;
    };

    if (data.startsWith(QLatin1Char('"')))
        return quotedFrom(1, 1);
    if (data.startsWith(QLatin1String("str:\"")))
        return quotedFrom(5, 1);
    if (data.startsWith(QLatin1String("str("))) {
        qsizetype after = 0;
        const auto type = typeNumber(4, after);
        if (!type || after >= data.size() || data[after] != QLatin1Char('"'))
            return std::nullopt;
        return quotedFrom(after + 1, *type);
    }
    if (data.startsWith(QLatin1String("hex:"))) {
        value.type = 3;
        if (!parseHexBytes(data.mid(4), value.bytes))
            return std::nullopt;
        return value;
    }
    if (data.startsWith(QLatin1String("hex("))) {
        qsizetype after = 0;
        const auto type = typeNumber(4, after);
        if (!type || !parseHexBytes(data.mid(after), value.bytes))
            return std::nullopt;
        value.type = *type;
        return value;
    }
    if (data.startsWith(QLatin1String("dword:"))) {
        const QStringView digits = data.mid(6).trimmed();
        if (digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        quint32 number = 0;
        for (QChar c : digits) {
            const int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            number = number * 16 + static_cast<quint32>(d);
        }
        value.type = 4;
        for (int i = 0; i < 4; ++i)
            value.bytes.append(static_cast<char>((number >> (8 * i)) & 0xFF));
        return value;
    }
    return std::nullopt;
}

QString upToNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

QString WineRegistryValue::asText() const
{
    if (type == 1 || type == 2) {
        if (quoted)
            return upToNul(text);
        QString decoded;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const char16_t unit = static_cast<char16_t>(static_cast<quint8>(bytes[i]) |
                                                        (static_cast<quint8>(bytes[i + 1]) << 8));
            if (unit == 0)
                break;
            decoded.append(QChar(unit));
        }
        return decoded;
    }
    if (type == 4 && bytes.size() == 4) {
        quint32 number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<quint8>(bytes[i]);
        return QString::number(number);
    }
    return {};
}

WineRegistry::WineRegistry(QByteArray text) : text_(std::move(text)) {}

bool WineRegistry::hasHeader() const
{
    qsizetype end = text_.indexOf('\n');
    if (end < 0)
        end = text_.size();
    return QByteArrayView(text_.constData(), end).trimmed() == "WINE REGISTRY Version 2";
}

std::optional<WineRegistryValue> WineRegistry::value(const QString& keyPath,
                                                     const QString& valueName) const
{
    QBuffer in;
    in.setData(text_);
    in.open(QIODevice::ReadOnly);
    return scan(in, {{keyPath, valueName}}, nullptr, text_.size()).values.value(0);
}

WineRegistryScan WineRegistry::scanFile(const QString& file, const QList<WineValueName>& names,
                                        const std::atomic_bool* stop, qint64 maxBytes)
{
    QFile in;
    if (!openRegularFile(in, file) || in.size() > maxBytes) {
        WineRegistryScan none;
        none.values.resize(names.size());
        return none;
    }
    return scan(in, names, stop, maxBytes);
}

QString WineRegistry::unescape(QStringView text, QChar end, qsizetype& consumed)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size() && text[i] != end) {
        if (text[i] != QLatin1Char('\\') || i + 1 >= text.size()) {
            out.append(text[i++]);
            continue;
        }
        const QChar c = text[++i];
        if (const char16_t control = controlEscape(c)) {
            out.append(QChar(control));
            ++i;
        } else if (c == QLatin1Char('x')) {
            ++i;
            if (i >= text.size() || hexDigit(text[i]) < 0) {
                out.append(QLatin1Char('x'));
                continue;
            }
            char16_t unit = 0;
            for (int n = 0; n < 4 && i < text.size() && hexDigit(text[i]) >= 0; ++n)
                unit = static_cast<char16_t>(unit * 16 + hexDigit(text[i++]));
            out.append(QChar(unit));
        } else if (isOctal(c)) {
            char16_t unit = 0;
            for (int n = 0; n < 3 && i < text.size() && isOctal(text[i]); ++n)
                unit = static_cast<char16_t>(unit * 8 + (text[i++].unicode() - '0'));
            out.append(QChar(unit));
        } else {
            // \\, \" and any other escaped character stand for themselves.
            out.append(c);
            ++i;
        }
    }
    consumed = i < text.size() ? i + 1 : -1;
    return out;
}

namespace {
// Lines past this are no registry's (Wine wraps long data); they are skipped unread.
constexpr qsizetype MaxLineBytes = 1024 * 1024;
constexpr qint64 ChunkBytes = 256 * 1024;

// The key a "[...]" line names, when it is `wanted` (written with single backslashes). Most
// lines are compared as they stand, their doubled backslashes against single ones; a name with
// other escapes is decoded first.
bool namesKey(QByteArrayView line, const QString& wanted)
{
    qsizetype i = 1;
    qsizetype w = 0;
    for (; i < line.size() && line[i] != ']'; ++i, ++w) {
        char c = line[i];
        if (c == '\\') {
            if (i + 1 >= line.size() || line[i + 1] != '\\')
                break; // another escape: decode below
            ++i;
        }
        if (uchar(c) >= 0x80)
            break;
        const char lower = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        if (w >= wanted.size() || QLatin1Char(lower) != wanted[w].toLower())
            return false;
    }
    if (i < line.size() && line[i] == ']')
        return w == wanted.size();
    qsizetype consumed = 0;
    const QString name =
        WineRegistry::unescape(QString::fromUtf8(line.sliced(1)), QLatin1Char(']'), consumed);
    return consumed >= 0 && name.compare(wanted, Qt::CaseInsensitive) == 0;
}
} // namespace

WineRegistryScan WineRegistry::scan(QIODevice& in, const QList<WineValueName>& names,
                                    const std::atomic_bool* stop, qint64 maxBytes)
{
    WineRegistryScan found;
    found.values.resize(names.size());
    QList<bool> decided(names.size(), false);
    qsizetype left = names.size();
    QList<qsizetype> inKey; // the names asked for in the key being read
    bool firstLine = true;
    bool pastHeader = false; // a key has begun: no more "#arch"
    bool failed = false;
    bool done = false;

    // One logical line: a line ending in "\" is continued by the next one with its indent
    // removed (how Wine wraps long hex data).
    auto logicalLine = [&](QByteArrayView line) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == ';')
            return;
        if (line.front() == '#') {
            if (!pastHeader && line.startsWith("#arch=")) {
                const QByteArray arch = line.sliced(6).toByteArray().toLower();
                found.arch = arch == "win64"   ? WineArch::Win64
                             : arch == "win32" ? WineArch::Win32
                                               : WineArch::Unknown;
            }
            return;
        }
        if (line.front() == '[') {
            pastHeader = true;
            inKey.clear();
            for (qsizetype n = 0; n < names.size(); ++n) {
                if (!decided[n] && namesKey(line, names[n].first))
                    inKey << n;
            }
            return;
        }
        if (inKey.isEmpty())
            return;
        const QString text = QString::fromUtf8(line);
        QString name;
        qsizetype dataAt = 0;
        if (text.startsWith(QLatin1Char('@'))) {
            dataAt = 1;
        } else if (text.startsWith(QLatin1Char('"'))) {
            qsizetype consumed = 0;
            name = unescape(QStringView(text).mid(1), QLatin1Char('"'), consumed);
            if (consumed < 0)
                return;
            dataAt = 1 + consumed;
        } else {
            return;
        }
        for (qsizetype i = 0; i < inKey.size(); ++i) {
            const qsizetype n = inKey[i];
            const QString& wanted = names[n].second;
            const bool isDefault = wanted.isEmpty() || wanted == QLatin1String("@");
            if (isDefault ? !name.isEmpty() : name.compare(wanted, Qt::CaseInsensitive) != 0)
                continue;
            const QStringView rest = QStringView(text).mid(dataAt).trimmed();
            if (rest.startsWith(QLatin1Char('=')))
                found.values[n] = parseData(rest.mid(1).trimmed());
            decided[n] = true;
            inKey.remove(i--);
            done = --left == 0;
        }
    };

    QByteArray logical;
    bool continued = false;
    auto physicalLine = [&](QByteArrayView piece) {
        if (piece.endsWith('\r'))
            piece.chop(1);
        if (firstLine) {
            firstLine = false;
            found.header = piece.trimmed() == "WINE REGISTRY Version 2";
            done = !found.header;
            return;
        }
        if (continued) {
            while (!piece.isEmpty() && (piece.front() == ' ' || piece.front() == '\t'))
                piece = piece.sliced(1);
        } else if (inKey.isEmpty()) {
            // Outside the keys asked for only a key's first line matters: the bulk of the
            // file goes by without a copy.
            const QByteArrayView trimmed = piece.trimmed();
            if (trimmed.isEmpty() || (trimmed.front() != '[' && trimmed.front() != '#'))
                return;
            if (!piece.endsWith('\\')) {
                logicalLine(piece);
                return;
            }
        }
        logical.append(piece);
        if (logical.size() > MaxLineBytes) {
            logical.clear(); // a line no registry writes: dropped
            continued = false;
            return;
        }
        continued = logical.endsWith('\\');
        if (continued) {
            logical.chop(1);
            return;
        }
        logicalLine(logical);
        logical.clear();
    };

    QByteArray buffer;
    qint64 total = 0;
    bool skippingLine = false; // the rest of an overlong line
    while (!done) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            failed = true;
            break;
        }
        const qsizetype kept = buffer.size();
        buffer.resize(kept + ChunkBytes);
        const qint64 got = in.read(buffer.data() + kept, ChunkBytes);
        buffer.resize(kept + std::max<qint64>(got, 0));
        if (got < 0) {
            failed = true;
            break;
        }
        total += got;
        if (total > maxBytes) {
            failed = true;
            break;
        }
        const bool atEnd = got == 0;
        qsizetype pos = 0;
        while (!done) {
            qsizetype nl = buffer.indexOf('\n', pos);
            if (nl < 0) {
                if (!atEnd || pos >= buffer.size())
                    break;
                nl = buffer.size();
            }
            if (!skippingLine)
                physicalLine(QByteArrayView(buffer.constData() + pos, nl - pos));
            skippingLine = false;
            pos = nl + 1;
        }
        buffer.remove(0, std::min(pos, buffer.size()));
        if (buffer.size() > MaxLineBytes) {
            buffer.clear();
            skippingLine = true;
        }
        if (atEnd)
            break;
    }
    if (failed || !found.header) {
        WineRegistryScan none;
        none.values.resize(names.size());
        return none;
    }
    return found;
}

QString winePathToLocal(const QString& prefix, const QString& windowsPath)
{
    if (prefix.isEmpty() || windowsPath.size() < 2 || windowsPath[1] != QLatin1Char(':'))
        return {};
    const QChar drive = windowsPath[0].toLower();
    if (drive < QLatin1Char('a') || drive > QLatin1Char('z'))
        return {};
    const QString rest = windowsPath.mid(2);
    auto isSeparator = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); };
    if (!rest.isEmpty() && !isSeparator(rest[0]))
        return {}; // "C:foo" is relative to a current folder we do not have

    const QString link = prefix + QStringLiteral("/dosdevices/") + drive + QLatin1Char(':');
    const QFileInfo linkInfo(link);
    // symLinkTarget() gives the absolute target; a relative link counts from dosdevices/.
    QString local = linkInfo.isSymLink() ? linkInfo.symLinkTarget() : link;
    if (!QFileInfo(local).isDir())
        return {};
    while (local.endsWith(QLatin1Char('/')))
        local.chop(1); // "/" itself becomes empty text and gets its separator back below

    // Windows folds "." and ".." and doubled separators before it looks at the disk, and ".."
    // at the root stays at the root: the path never leaves its drive.
    QStringList components;
    qsizetype start = 1;
    for (qsizetype i = 1; i <= rest.size(); ++i) {
        if (i == rest.size() || isSeparator(rest[i])) {
            const QString component = rest.mid(start, i - start);
            if (component == QLatin1String("..")) {
                if (!components.isEmpty())
                    components.removeLast();
            } else if (component != QLatin1String(".") &&
                       (!component.isEmpty() || i == rest.size())) {
                components << component;
            }
            start = i + 1;
        }
    }

    bool matching = true;
    for (const QString& component : std::as_const(components)) {
        QString name = component;
        if (matching && !name.isEmpty()) {
            const QString folder = local.isEmpty() ? QStringLiteral("/") : local;
            if (!QFileInfo::exists(folder + QLatin1Char('/') + name)) {
                const QStringList entries = QDir(folder).entryList(
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
                matching = false;
                for (const QString& entry : entries) {
                    if (entry.compare(name, Qt::CaseInsensitive) == 0) {
                        name = entry;
                        matching = true;
                        break;
                    }
                }
            }
        }
        local += QLatin1Char('/') + name;
    }
    return local.isEmpty() ? QStringLiteral("/") : local;
}
