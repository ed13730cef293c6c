#include "platform/linux/wine_registry.h"

#include "files/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

WineRegistry WineRegistry::load(const QString& file, qint64 maxBytes)
{
    QFile in;
    if (!openRegularFile(in, file))
        return WineRegistry(QByteArray());
    // Read one byte past the limit: the size a file claims may not be what it holds.
    QByteArray text = in.read(maxBytes + 1);
    if (text.size() > maxBytes)
        return WineRegistry(QByteArray());
    return WineRegistry(std::move(text));
}

bool WineRegistry::hasHeader() const
{
    qsizetype end = text_.indexOf('\n');
    if (end < 0)
        end = text_.size();
    return QByteArrayView(text_.constData(), end).trimmed() == "WINE REGISTRY Version 2";
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

std::optional<WineRegistryValue> WineRegistry::value(const QString& keyPath,
                                                     const QString& valueName) const
{
    if (!hasHeader())
        return std::nullopt;
    const QString wantedName = valueName == QLatin1String("@") ? QString() : valueName;

    qsizetype pos = 0;
    // One logical line: CR LF or LF endings, and a line ending in "\" continued by the next
    // one with its indent removed (how Wine wraps long hex data).
    auto nextLine = [&](QByteArray& line) {
        line.clear();
        bool continued = false;
        while (pos < text_.size()) {
            qsizetype nl = text_.indexOf('\n', pos);
            if (nl < 0)
                nl = text_.size();
            QByteArrayView piece(text_.constData() + pos, nl - pos);
            pos = nl + 1;
            if (piece.endsWith('\r'))
                piece.chop(1);
            if (continued) {
                while (!piece.isEmpty() && (piece.front() == ' ' || piece.front() == '\t'))
                    piece = piece.sliced(1);
            }
            line.append(piece);
            if (!line.endsWith('\\'))
                break;
            line.chop(1);
            continued = true;
        }
    };

    bool inWantedKey = false;
    QByteArray raw;
    nextLine(raw); // header
    while (pos < text_.size()) {
        nextLine(raw);
        const QByteArrayView line = QByteArrayView(raw).trimmed();
        if (line.isEmpty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            qsizetype consumed = 0;
            const QString name =
                unescape(QString::fromUtf8(line.sliced(1)), QLatin1Char(']'), consumed);
            inWantedKey = consumed >= 0 && name.compare(keyPath, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inWantedKey)
            continue;

        const QString text = QString::fromUtf8(line);
        QString name;
        qsizetype dataAt = 0;
        if (text.startsWith(QLatin1Char('@'))) {
            dataAt = 1;
        } else if (text.startsWith(QLatin1Char('"'))) {
            qsizetype consumed = 0;
            name = unescape(QStringView(text).mid(1), QLatin1Char('"'), consumed);
            if (consumed < 0)
                continue;
            dataAt = 1 + consumed;
        } else {
            continue;
        }
        if (name.compare(wantedName, Qt::CaseInsensitive) != 0)
            continue;
        const QStringView rest = QStringView(text).mid(dataAt).trimmed();
        if (!rest.startsWith(QLatin1Char('=')))
            return std::nullopt;
        return parseData(rest.mid(1).trimmed());
    }
    return std::nullopt;
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
