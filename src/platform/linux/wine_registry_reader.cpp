#include "platform/linux/wine_registry_reader.h"

#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_registry.h"

#include <QStringList>

WineRegistryReader::WineRegistryReader(std::function<QString()> storedPrefix)
    : storedPrefix_(std::move(storedPrefix))
{
}

QString WineRegistryReader::readValue(const QString& valuePath)
{
    try {
        const qsizetype hiveEnd = valuePath.indexOf(QLatin1Char('\\'));
        const qsizetype nameStart = valuePath.lastIndexOf(QLatin1Char('\\'));
        if (hiveEnd <= 0 || nameStart <= hiveEnd)
            return {};
        const QString hive = valuePath.left(hiveEnd);
        if (hive.compare(QLatin1String("HKLM"), Qt::CaseInsensitive) != 0 &&
            hive.compare(QLatin1String("HKEY_LOCAL_MACHINE"), Qt::CaseInsensitive) != 0)
            return {};
        const QString key = valuePath.mid(hiveEnd + 1, nameStart - hiveEnd - 1);
        const QString name = valuePath.mid(nameStart + 1);

        const QString prefix = resolveWinePrefix(storedPrefix_ ? storedPrefix_() : QString());
        const WineRegistry registry = WineRegistry::load(prefix + QStringLiteral("/system.reg"));
        if (!registry.hasHeader())
            return {};

        QStringList keys;
        const QLatin1String software("Software\\");
        if (wineArchOf(prefix) == WineArch::Win64 && key.startsWith(software, Qt::CaseInsensitive))
            keys << QStringLiteral("Software\\Wow6432Node\\") + key.mid(software.size());
        keys << key;
        for (const QString& candidate : std::as_const(keys)) {
            if (const auto value = registry.value(candidate, name)) {
                const QString text = value->asText();
                return text.isEmpty() ? QString() : winePathToLocal(prefix, text);
            }
        }
    } catch (...) {
        // A value we cannot read is no value.
    }
    return {};
}

QString WineRegistryReader::whereSearched() const
{
    return QStringLiteral("the Wine prefix ") +
           resolveWinePrefix(storedPrefix_ ? storedPrefix_() : QString());
}
