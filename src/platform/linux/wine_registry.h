#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

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

// The text of a Wine registry file (system.reg, user.reg), looked up one value at a time.
// Key paths are relative to the file's root ("Software\Microsoft\..."), with single
// backslashes, and compared without regard to case, as Wine does.
class WineRegistry {
public:
    explicit WineRegistry(QByteArray text);
    // A real system.reg is a few megabytes; a file past this is not Wine's and is not read.
    static constexpr qint64 MaxFileBytes = qint64(64) * 1024 * 1024;

    // The file's contents; an unreadable or oversized file gives a registry without header
    // and values.
    static WineRegistry load(const QString& file, qint64 maxBytes = MaxFileBytes);

    // The file starts with "WINE REGISTRY Version 2"; anything else is not read.
    bool hasHeader() const;

    // The value, or nothing when the key or the value is missing or its line is malformed.
    // An empty value name, or "@", is the key's default value.
    std::optional<WineRegistryValue> value(const QString& keyPath, const QString& valueName) const;

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
