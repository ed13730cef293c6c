#include "platform/linux/ini_settings_store.h"

#include "files/regular_file.h"
#include "files/safe_file.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLockFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A line this long is nobody's setting: it is passed over unread, never held whole.
constexpr qsizetype LongestLine = 64 * 1024;
// Keys kept per section; a section with more is searched again for a key not among them.
constexpr qsizetype KeptKeys = 256;
constexpr qint64 Chunk = 64 * 1024;

struct Stamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0;
    qint64 changed = 0;
    bool operator==(const Stamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified == o.modified &&
               changed == o.changed;
    }
};

Stamp stampOf(const struct stat& info)
{
    return {static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino),
            static_cast<qint64>(info.st_size),
            static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            static_cast<qint64>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

// The keys of one section and the raw text after their '=' (a null array: known to be absent).
struct Section {
    Stamp stamp;
    QHash<QByteArray, QByteArray> values;
    bool complete = true;
};

// What one pass over a file learnt about one section and one wanted key.
struct Scan {
    Section section;
    qint64 valueFrom = -1; // the wanted key's last value is bytes [valueFrom, valueTo)
    qint64 valueTo = -1;
    qint64 insertAt = -1; // a new key goes after the section's last key line, or its header
    QByteArray lineEnd;   // the file's own, from its first line
};

// A value that is there, even empty, is never a null array: null means absent.
QByteArray present(QByteArray raw)
{
    return raw.isNull() ? QByteArray("") : raw;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

class SectionReader {
public:
    SectionReader(QByteArray section, QByteArray wanted)
        : section_(std::move(section)), wanted_(std::move(wanted))
    {
    }

    // One line without its line end, which is endLength bytes long.
    void line(qint64 at, QByteArrayView text, qsizetype endLength)
    {
        if (scan.lineEnd.isEmpty() && endLength > 0)
            scan.lineEnd = endLength == 2 ? QByteArray("\r\n") : QByteArray("\n");
        const qint64 next = at + text.size() + endLength;
        if (at == 0 && text.startsWith("\xEF\xBB\xBF")) { // a byte-order mark, from some editors
            text = text.sliced(3);
            at = 3;
        }
        qsizetype i = 0;
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size())
            return;
        if (text[i] == '[') {
            qsizetype close = i + 1;
            while (close < text.size() && text[close] != ']')
                ++close;
            inSection_ = text.sliced(i + 1, close - i - 1).trimmed() == section_;
            if (inSection_)
                scan.insertAt = next;
            return;
        }
        if (!inSection_ || text[i] == ';' || text[i] == '#')
            return;
        qsizetype equals = i;
        while (equals < text.size() && text[equals] != '=')
            ++equals;
        if (equals == text.size())
            return;
        scan.insertAt = next;
        const QByteArray key = text.sliced(i, equals - i).trimmed().toByteArray();
        const QByteArrayView value = text.sliced(equals + 1);
        if (key == wanted_) {
            qsizetype from = equals + 1;
            while (from < text.size() && isBlank(text[from]))
                ++from;
            scan.valueFrom = at + from;
            scan.valueTo = at + text.size();
        }
        QHash<QByteArray, QByteArray>& values = scan.section.values;
        const auto found = values.find(key);
        if (found != values.end())
            *found = present(value.toByteArray());
        else if (values.size() < KeptKeys || key == wanted_)
            values.insert(key, present(value.toByteArray()));
        else
            scan.section.complete = false;
    }

    Scan scan;

private:
    QByteArray section_;
    QByteArray wanted_;
    bool inSection_ = false;
};

// Reads the file from where it stands to its end, line by line; false on a read error.
bool readLines(QFile& file, SectionReader& reader)
{
    QByteArray chunk(Chunk, Qt::Uninitialized);
    QByteArray pending;
    qint64 pendingAt = 0;
    qint64 offset = 0;
    bool overlong = false;
    for (;;) {
        const qint64 got = file.read(chunk.data(), Chunk);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        qsizetype from = 0;
        while (from < got) {
            const auto* end = static_cast<const char*>(
                std::memchr(chunk.constData() + from, '\n', static_cast<size_t>(got - from)));
            const qsizetype upto = end ? end - chunk.constData() : got;
            if (!overlong)
                pending.append(chunk.constData() + from, upto - from);
            if (pending.size() > LongestLine) {
                overlong = true;
                pending.clear();
            }
            if (!end)
                break;
            if (!overlong) {
                qsizetype endLength = 1;
                if (pending.endsWith('\r')) {
                    pending.chop(1);
                    endLength = 2;
                }
                reader.line(pendingAt, pending, endLength);
            }
            overlong = false;
            pending.clear();
            from = upto + 1;
            pendingAt = offset + from;
        }
        offset += got;
    }
    if (!overlong && !pending.isEmpty())
        reader.line(pendingAt, pending, 0);
    return true;
}

// Reads an opened file; its stamp is taken from the open file, so it names what was read.
bool scanFile(QFile& file, const QString& section, const QString& key, Scan& scan)
{
    struct stat info = {};
    if (::fstat(file.handle(), &info) != 0)
        return false;
    SectionReader reader(section.toUtf8(), key.toUtf8());
    if (!readLines(file, reader))
        return false;
    scan = std::move(reader.scan);
    scan.section.stamp = stampOf(info);
    return true;
}

int digitValue(char16_t c, bool hex)
{
    if (c >= '0' && c <= (hex ? '9' : '7'))
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isHexDigit(char16_t c)
{
    return digitValue(c, true) >= 0;
}

// A value in double quotes holds QSettings' escapes; one without holds none but a doubled
// backslash or an escaped quote. Anything else is taken as typed, so that a hand-written
// C:\Program Files keeps its backslashes and a ';' or ',' is part of the value.
bool isQuoted(const QString& text)
{
    if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"')))
        return false;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        if (text[i] == QLatin1Char('\\')) {
            if (++i == text.size() - 1)
                return false;
        } else if (text[i] == QLatin1Char('"')) {
            return false;
        }
    }
    return true;
}

bool onlyPairedEscapes(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\'))
            continue;
        if (++i == text.size() || (text[i] != QLatin1Char('\\') && text[i] != QLatin1Char('"')))
            return false;
    }
    return true;
}

QString unescaped(QStringView text, bool allEscapes)
{
    static const char Escapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                      {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                      {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char16_t e = text[++i].unicode();
        bool known = false;
        for (const auto& pair : Escapes) {
            if (e == static_cast<char16_t>(pair[0]) && (allEscapes || e == '\\' || e == '"')) {
                out += QLatin1Char(pair[1]);
                known = true;
            }
        }
        if (known || !allEscapes)
            continue;
        // \x and hex digits, or octal digits: as many as follow, as QSettings reads them.
        const bool hex = e == 'x';
        const qsizetype first = hex ? i + 1 : i;
        qsizetype digits = first;
        uint code = 0;
        for (int d; digits < text.size() && (d = digitValue(text[digits].unicode(), hex)) >= 0;
             ++digits)
            code = code * (hex ? 16 : 8) + static_cast<uint>(d);
        if (digits > first && code <= 0xFFFF) {
            out += QChar(static_cast<char16_t>(code));
            i = digits - 1;
        } else {
            out += QLatin1Char('\\'); // not an escape QSettings writes: keep it as typed
            out += QChar(e);
        }
    }
    return out;
}

QString readValue(const QByteArray& raw)
{
    // Blanks around the value are the file's layout, as QSettings takes them; other white
    // space is part of it.
    qsizetype from = 0;
    qsizetype to = raw.size();
    while (from < to && (isBlank(raw[from]) || raw[from] == '\r'))
        ++from;
    while (to > from && (isBlank(raw[to - 1]) || raw[to - 1] == '\r'))
        --to;
    // A value may start with U+FEFF; only the file's first bytes are a byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(QByteArrayView(raw).sliced(from, to - from));
    if (isQuoted(text))
        text = unescaped(QStringView(text).sliced(1, text.size() - 2), true);
    else if (onlyPairedEscapes(text))
        text = unescaped(text, false);
    if (text.startsWith(QStringLiteral("@@")))
        text.remove(0, 1);
    else if (text == QStringLiteral("@Invalid()"))
        text.clear();
    return text;
}

// The value as QSettings writes it: backslashes and quotes escaped, control characters as
// escapes in quotes, quotes also around a ';' or ',' and around blanks at either end.
QByteArray writtenValue(const QString& value)
{
    static const char Escapes[][2] = {{'\a', 'a'}, {'\b', 'b'}, {'\f', 'f'}, {'\n', 'n'},
                                      {'\r', 'r'}, {'\t', 't'}, {'\v', 'v'}};
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QString out;
    bool quote = text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    bool hexNext = false; // a hex digit right after a numeric escape would be read as part of it
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        // U+FEFF as an escape too: QSettings drops one that starts a value.
        const bool numeric = c < 0x20 || c == 0xFEFF;
        quote = quote || c == ';' || c == ',' || numeric;
        if (hexNext && isHexDigit(c)) {
            out += QStringLiteral("\\x") + QString::number(c, 16);
            continue;
        }
        hexNext = false;
        const auto* escape = std::find_if(std::begin(Escapes), std::end(Escapes),
                                          [c](const char* e) { return c == char16_t(e[0]); });
        if (c == '"' || c == '\\') {
            out += QLatin1Char('\\');
            out += qc;
        } else if (escape != std::end(Escapes)) {
            out += QLatin1Char('\\');
            out += QLatin1Char((*escape)[1]);
        } else if (c == 0) {
            out += QStringLiteral("\\0");
            hexNext = true;
        } else if (numeric) {
            out += QStringLiteral("\\x") + QString::number(c, 16);
            hexNext = true;
        } else {
            out += qc;
        }
    }
    if (quote)
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out.toUtf8();
}

// Names QSettings writes as they are; any other could not be read back by it the same way.
bool isPlainName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('_') &&
            c != QLatin1Char('-') && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

bool copyBytes(QFile& from, SafeFile& to, qint64 count)
{
    QByteArray chunk(Chunk, Qt::Uninitialized);
    while (count > 0) {
        const qint64 got = from.read(chunk.data(), std::min(count, Chunk));
        if (got <= 0 || !to.write(chunk.constData(), got))
            return false;
        count -= got;
    }
    return true;
}

bool endsOpen(QFile& file, qint64 size)
{
    char last = '\n';
    return size > 0 && file.seek(size - 1) && file.read(&last, 1) == 1 && last != '\n';
}

} // namespace

struct IniSettingsStore::ReadSections {
    std::map<QString, Section> byFileAndSection;
};

IniSettingsStore::IniSettingsStore(QString configFolder)
    : configFolder_(std::move(configFolder)), read_(std::make_unique<ReadSections>())
{
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::fileFor(const QString& app) const
{
    return configFolder_ + QLatin1Char('/') + app + QStringLiteral(".ini");
}

QString IniSettingsStore::getSetting(const QString& app, const QString& section, const QString& key,
                                     const QString& defaultValue)
{
    // Values such as "base" are set from outside while we run: a changed file is read again,
    // an unchanged one never (it may be large, and this is asked often).
    const QString path = fileFor(app);
    const QString cacheKey = path + QChar(0) + section;
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        read_->byFileAndSection.erase(cacheKey);
        return defaultValue;
    }
    const QByteArray wanted = key.toUtf8();
    auto cached = read_->byFileAndSection.find(cacheKey);
    const bool current = cached != read_->byFileAndSection.end() &&
                         cached->second.stamp == stampOf(info) &&
                         (cached->second.complete || cached->second.values.contains(wanted));
    if (!current) {
        QFile file;
        Scan scan;
        if (!openRegularFile(file, path) || !scanFile(file, section, key, scan))
            return defaultValue;
        if (!scan.section.values.contains(wanted) && !scan.section.complete)
            scan.section.values.insert(wanted, QByteArray());
        if (cached != read_->byFileAndSection.end() && cached->second.stamp == scan.section.stamp)
            cached->second.values.insert(wanted, scan.section.values.value(wanted));
        else
            cached = read_->byFileAndSection.insert_or_assign(cacheKey, scan.section).first;
    }
    const QByteArray raw = cached->second.values.value(wanted);
    return raw.isNull() ? defaultValue : readValue(raw);
}

bool IniSettingsStore::saveSetting(const QString& app, const QString& section, const QString& key,
                                   const QString& value)
{
    if (!isPlainName(section) || !isPlainName(key) || !QDir().mkpath(configFolder_))
        return false;
    const QString path = fileFor(app);
    const QByteArray nativePath = QFile::encodeName(path);
    const QString cacheKey = path + QChar(0) + section;
    const QByteArray wanted = key.toUtf8();
    struct stat info = {};

    // The value already there, as last read, is not written again (every start stores "path"),
    // as long as it could be.
    const auto cached = read_->byFileAndSection.find(cacheKey);
    if (cached != read_->byFileAndSection.end() && ::stat(nativePath.constData(), &info) == 0 &&
        cached->second.stamp == stampOf(info) && ::access(nativePath.constData(), W_OK) == 0 &&
        ::access(QFile::encodeName(configFolder_).constData(), W_OK) == 0) {
        const QByteArray raw = cached->second.values.value(wanted);
        if (!raw.isNull() && readValue(raw) == value)
            return true;
    }

    // The lock QSettings takes: a program that keeps its own section here through QSettings
    // does not write between our reading and our writing.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(10000))
        return false;

    QFile current;
    Scan scan;
    qint64 size = 0;
    if (::stat(nativePath.constData(), &info) == 0) {
        // A file made read-only stays as it is, as does anything that is not a plain file.
        if (!S_ISREG(info.st_mode) || ::access(nativePath.constData(), W_OK) != 0 ||
            !openRegularFile(current, path) || !scanFile(current, section, key, scan))
            return false;
        size = scan.section.stamp.size;
    } else if (errno != ENOENT) {
        return false;
    }

    const QByteArray written = writtenValue(value);
    if (scan.valueFrom >= 0 && readValue(scan.section.values.value(wanted)) == value) {
        read_->byFileAndSection.insert_or_assign(cacheKey, scan.section);
        return true; // already there as it reads; the way it was typed is kept
    }

    QByteArray insert = written;
    qint64 cutFrom = scan.valueFrom;
    qint64 cutTo = scan.valueTo;
    if (scan.valueFrom < 0) {
        const QByteArray lineEnd = scan.lineEnd.isEmpty() ? QByteArray("\n") : scan.lineEnd;
        const bool open = endsOpen(current, size);
        const QByteArray line = wanted + '=' + written + lineEnd;
        cutFrom = cutTo = scan.insertAt >= 0 ? scan.insertAt : size;
        if (scan.insertAt >= 0)
            insert = (open && cutFrom == size ? lineEnd : QByteArray()) + line;
        else
            insert = (open ? lineEnd : QByteArray()) + (size > 0 ? lineEnd : QByteArray()) + '[' +
                     section.toUtf8() + ']' + lineEnd + line;
    }

    // Written beside the file and renamed over it: a crash leaves the old file or the new one.
    SafeFile out(path);
    if (!out.open())
        return false;
    const bool copied =
        (size == 0 || (current.seek(0) && copyBytes(current, out, cutFrom))) && out.write(insert) &&
        (size == 0 || (current.seek(cutTo) && copyBytes(current, out, size - cutTo)));
    if (!copied || !out.commit())
        return false;

    scan.section.values.insert(wanted, present(written));
    if (::stat(nativePath.constData(), &info) == 0) {
        scan.section.stamp = stampOf(info);
        read_->byFileAndSection.insert_or_assign(cacheKey, scan.section);
    }
    return true;
}
