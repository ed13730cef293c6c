#include "core/command_line.h"

#include <QDir>
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

QString pictureNamedBy(const QString& argumentText, const QString& folder)
{
    const CommandLine args = parseCommandLine(argumentText);
    if (args.loadCache || args.path.isEmpty())
        return {};
    return QDir(folder).absoluteFilePath(args.path);
}

bool isOrdinaryFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
