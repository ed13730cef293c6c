#include "platform/linux/wine_registry_reader.h"

#include "core/install/messenger_folders.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_registry.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace {
bool holdsMessenger(const QString& prefix)
{
    const QStringList paths = MessengerFolders::valuePaths();
    return std::any_of(paths.begin(), paths.end(), [&](const QString& path) {
        const QString folder = WineRegistryReader::readValueIn(prefix, path);
        return !folder.isEmpty() && QFileInfo(folder).isDir();
    });
}
} // namespace

WineRegistryReader::WineRegistryReader(std::function<QString()> storedPrefix, QString home)
    : storedPrefix_(std::move(storedPrefix)), home_(std::move(home))
{
}

QStringList WineRegistryReader::frontEndPrefixes(const QString& home)
{
    static const char* const parents[] = {
        "/.local/share/wineprefixes",
        "/.PlayOnLinux/wineprefix",
        "/.local/share/bottles/bottles",
        "/.var/app/com.usebottles.bottles/data/bottles/bottles",
        "/Games",
    };
    QStringList prefixes;
    for (const char* parent : parents) {
        const QDir dir(home + QLatin1String(parent));
        const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names)
            prefixes << dir.filePath(name);
    }
    return prefixes;
}

QString WineRegistryReader::messengerPrefix() const
{
    const QString chosen = resolveWinePrefix(storedPrefix_ ? storedPrefix_() : QString());
    if (home_.isEmpty() || holdsMessenger(chosen))
        return chosen;
    const QStringList candidates = frontEndPrefixes(home_);
    const auto found = std::find_if(candidates.begin(), candidates.end(), holdsMessenger);
    if (found == candidates.end())
        return chosen;
    if (logged_ != *found) {
        logged_ = *found;
        qInfo("No Messenger in the Wine prefix %s; using the one in %s", qUtf8Printable(chosen),
              qUtf8Printable(*found));
    }
    return *found;
}

QString WineRegistryReader::readValue(const QString& valuePath)
{
    return readValueIn(messengerPrefix(), valuePath);
}

QString WineRegistryReader::readValueIn(const QString& prefix, const QString& valuePath)
{
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
    return {};
}

QString WineRegistryReader::whereSearched() const
{
    QString where = QStringLiteral("the Wine prefix ") + messengerPrefix();
    if (!home_.isEmpty())
        where += QStringLiteral(" and %1 prefixes of Wine front-ends below %2")
                     .arg(frontEndPrefixes(home_).size())
                     .arg(home_);
    return where;
}
