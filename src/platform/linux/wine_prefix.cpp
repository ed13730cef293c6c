#include "platform/linux/wine_prefix.h"

#include "files/regular_file.h"

#include <QDir>
#include <QFile>

QString resolveWinePrefix(const QString& storedSetting)
{
    QString prefix = storedSetting;
    if (prefix.isEmpty())
        prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty())
        prefix = QDir::homePath() + QStringLiteral("/.wine");
    while (prefix.size() > 1 && prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    return prefix;
}

WineArch wineArchOf(const QString& prefix)
{
    QFile file;
    if (!openRegularFile(file, prefix + QStringLiteral("/system.reg")))
        return WineArch::Unknown;
    // The header lines come first; do not read a large registry to the end for them.
    for (int i = 0; i < 20 && !file.atEnd(); ++i) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith("#arch=")) {
            const QByteArray arch = line.mid(6).toLower();
            if (arch == "win64")
                return WineArch::Win64;
            if (arch == "win32")
                return WineArch::Win32;
            return WineArch::Unknown;
        }
        if (line.startsWith('['))
            break;
    }
    return WineArch::Unknown;
}
