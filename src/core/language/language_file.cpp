#include "core/language/language_file.h"

#include "core/language/language_table.h"
#include "core/windows1252.h"
#include "files/regular_file.h"

#include <QFile>

namespace {
constexpr qint64 ChunkBytes = 16 * 1024;
}

LanguageFileContent readLanguageLines(QIODevice& in)
{
    LanguageFileContent result;
    QByteArray chunk;
    qsizetype at = 0;
    QByteArray pending; // the line being read, without its break
    auto finishLine = [&] {
        if (pending.size() > MaxLanguageLineBytes)
            return false;
        result.lines << fromWindows1252(pending);
        pending.clear();
        return true;
    };

    // Past the 26 lines every file has, an end or a line too long ends the reading, not the file.
    auto stop = [&](LanguageFileContent::Problem problem) {
        result.problem = result.lines.size() >= LanguageTable::ClassicCount
                             ? LanguageFileContent::Problem::None
                             : problem;
        return result;
    };
    const int wanted = LanguageTable::entryCount();
    while (result.lines.size() < wanted) {
        if (at >= chunk.size()) {
            chunk = in.read(ChunkBytes);
            at = 0;
            if (chunk.isEmpty()) { // end of the data, or a read error
                if (pending.isEmpty())
                    return stop(LanguageFileContent::Problem::TooFewLines);
                // The last line may go without a break.
                if (!finishLine())
                    return stop(LanguageFileContent::Problem::LineTooLong);
                continue;
            }
        }
        const qsizetype lf = chunk.indexOf('\n', at);
        const qsizetype end = lf < 0 ? chunk.size() : lf;
        pending.append(chunk.constData() + at, end - at);
        at = lf < 0 ? end : lf + 1;
        // Room for the CR of a CR LF pair; anything beyond that is too long already, so a
        // file of one endless line never has to be held in memory.
        if (pending.size() > MaxLanguageLineBytes + 1)
            return stop(LanguageFileContent::Problem::LineTooLong);
        if (lf >= 0) {
            if (pending.endsWith('\r'))
                pending.chop(1);
            if (!finishLine())
                return stop(LanguageFileContent::Problem::LineTooLong);
        }
    }
    result.problem = LanguageFileContent::Problem::None;
    return result;
}

LanguageFileContent readLanguageFile(const QString& path)
{
    QFile file;
    if (!openRegularFile(file, path))
        return {};
    return readLanguageLines(file);
}
