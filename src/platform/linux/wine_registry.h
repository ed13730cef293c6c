#pragma once

#include "platform/linux/wine_prefix.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <optional>
#include <utility>

class QIODevice;

// One value as Wine stores it in a registry file.
struct WineRegistryValue {
    quint32 type = 0; // REG_SZ 1, REG_EXPAND_SZ 2, REG_BINARY 3, REG_DWORD 4, REG_MULTI_SZ 7...
    QString text;     // the string of a quoted value
    QByteArray bytes; // the data of a hex or dword value
    bool quoted = false;

    // What reading the value as text gives: the string of a string type (quoted or as UTF-16LE
    // bytes, up to the first NUL), a dword in decimal, and empty text for anything else.
    QString asText() const;
};

// A key path and a value name, as WineRegistry looks them up.
using WineValueName = std::pair<QString, QString>;

// What one pass over a registry file found.
struct WineRegistryScan {
    bool header = false; // "WINE REGISTRY Version 2": without it nothing else is read
    WineArch arch = WineArch::Unknown;
    // One per name asked for: nothing when the key or the value is missing or its line is
    // malformed.
    QList<std::optional<WineRegistryValue>> values;
};

// The text of a Wine registry file (system.reg, user.reg). Key paths are relative to the file's
// root ("Software\Microsoft\..."), with single backslashes, and compared without regard to
// case, as Wine does.
class WineRegistry {
public:
    explicit WineRegistry(QByteArray text);
    // A real system.reg is a few megabytes; a file past this is not Wine's and is not read.
    static constexpr qint64 MaxFileBytes = qint64(64) * 1024 * 1024;

    // The file starts with "WINE REGISTRY Version 2"; anything else is not read.
    bool hasHeader() const;

    // The value, or nothing when the key or the value is missing or its line is malformed.
    // An empty value name, or "@", is the key's default value.
    std::optional<WineRegistryValue> value(const QString& keyPath, const QString& valueName) const;

    // One pass over a file, in pieces: only the lines of the keys asked for are parsed, and it
    // stops once every value asked for is found, or `stop` is set. A regular file only (a FIFO
    // would block); an unreadable file, one past maxBytes, or a stopped pass gives no header.
    static WineRegistryScan scanFile(const QString& file, const QList<WineValueName>& names,
                                     const std::atomic_bool* stop = nullptr,
                                     qint64 maxBytes = MaxFileBytes);
    static WineRegistryScan scan(QIODevice& in, const QList<WineValueName>& names,
                                 const std::atomic_bool* stop = nullptr,
                                 qint64 maxBytes = MaxFileBytes);

    // Wine's escapes in a quoted name or string: \\ \" \n and the other C letters, \xNNNN,
    // octal. Stops at the unescaped `end` character; `consumed` receives how far it read, or
    // -1 when `end` never came.
    static QString unescape(QStringView text, QChar end, qsizetype& consumed);

private:
    QByteArray text_;
};

// The local path of a Windows path inside a Wine prefix: the drive goes through
// <prefix>/dosdevices/<letter>: (a relative link is taken from dosdevices/), and each component
// is matched to an existing entry without regard to case, as Wine does; components that do not
// exist stay as written. Both separators are accepted; a trailing one stays as a trailing "/".
// Empty text when the path has no drive letter or the drive has no link.
QString winePathToLocal(const QString& prefix, const QString& windowsPath);
