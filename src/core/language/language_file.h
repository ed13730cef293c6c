#pragma once

#include <QStringList>

class QIODevice;

// What reading a language file gave: its first lines (at most one per text, already converted from
// Windows-1252) and why it stopped short, if it did.
struct LanguageFileContent {
    enum class Problem { None, TooFewLines, LineTooLong, Unreadable };

    QStringList lines;
    Problem problem = Problem::Unreadable;

    bool complete() const { return problem == Problem::None; }
};

// A line longer than this is no language text; the file is treated as invalid.
inline constexpr qsizetype MaxLanguageLineBytes = 64 * 1024;

// Reads 8-bit Windows-1252 text, a line per text of the language table. A line ends at LF, with
// one CR right before it dropped; the last line may end at the end of the data. A file needs its
// first 26 lines; the reading stops at the first missing or over-long line after them, and
// nothing after the last text's line is read.
// Nothing is trimmed: a byte-order mark stays part of the first line as three characters.
LanguageFileContent readLanguageLines(QIODevice& in);
LanguageFileContent readLanguageFile(const QString& path);
