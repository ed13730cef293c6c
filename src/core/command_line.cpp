#include "core/command_line.h"

#include <QFileInfo>

CommandLine parseCommandLine(const QString& argumentText)
{
    CommandLine result;
    if (argumentText.toLower().contains(QStringLiteral("loadcache"))) {
        result.loadCache = true;
        return result;
    }
    QString path = argumentText;
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    result.path = path;
    return result;
}

bool isOrdinaryFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
