#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The server's list files: names separated by "*", 8-bit Windows-1252 text, no header, no
// escaping. Shared by the loading pass and the tools that build a catalogue.
namespace listformat {

// Lists are counted with 16-bit counters.
inline constexpr int MaxNames = 32767;
// A name is at most as long as a file name can be: 255 bytes, one per character.
inline constexpr int MaxNameBytes = 255;
// The longest list that can hold valid names (32,767 names of 255 bytes and their separators)
// fits in 8 MiB; a larger list file is refused before it is read.
inline constexpr qint64 MaxListBytes = 8 * 1024 * 1024;
// No real catalogue comes near this many nodes; it bounds what a hostile server can make the
// tree hold (at most this many names of MaxNameBytes).
inline constexpr int MaxTreeNodes = 65536;

// The text of a list file's bytes.
QString decodeList(const QByteArray& bytes);
// The bytes of a list file for the given names, joined with "*".
QByteArray encodeList(const QStringList& names);

// Splits at every "*", trimming nothing and keeping empty pieces; an empty text gives no names.
// Throws AppError 6 (overflow) for more than MaxNames names, 52 (as for an unsafe name) for a
// name longer than MaxNameBytes.
QStringList splitList(const QString& text);

// The whole text is exactly "notfound": the server's way of saying the category list is gone.
bool isNotFoundMarker(const QString& text);

// A category name becomes a file name in Cache. Safe means the file lands directly in Cache:
// no "/" or "\", not "." or "..", no control character, not longer than MaxNameBytes.
bool isSafeCategoryName(const QString& name);
// Throws AppError 52 naming the category when it is not safe.
void requireSafeCategoryName(const QString& name);

} // namespace listformat
