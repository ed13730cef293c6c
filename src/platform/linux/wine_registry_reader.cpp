#include "platform/linux/wine_registry_reader.h"

#include "core/install/messenger_folders.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {
// Messenger's values as key and name, each first under Software\Wow6432Node (where a win64
// prefix keeps a 32-bit program's keys), then plain.
QList<WineValueName> valueNames()
{
    QList<WineValueName> names;
    const QLatin1String software("Software\\");
    for (const QString& path : MessengerFolders::valuePaths()) {
        const qsizetype nameStart = path.lastIndexOf(QLatin1Char('\\'));
        const QString key = path.mid(5, nameStart - 5); // after "HKLM\"
        const QString name = path.mid(nameStart + 1);
        names.append({QStringLiteral("Software\\Wow6432Node\\") + key.mid(software.size()), name});
        names.append({key, name});
    }
    return names;
}

// Which of Messenger's values the path names, or -1.
qsizetype messengerValueIndex(const QString& valuePath)
{
    const qsizetype hiveEnd = valuePath.indexOf(QLatin1Char('\\'));
    const QString hive = valuePath.left(hiveEnd);
    if (hive.compare(QLatin1String("HKLM"), Qt::CaseInsensitive) != 0 &&
        hive.compare(QLatin1String("HKEY_LOCAL_MACHINE"), Qt::CaseInsensitive) != 0)
        return -1;
    const QStringList paths = MessengerFolders::valuePaths();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (valuePath.mid(hiveEnd).compare(paths[i].mid(4), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// A file changed this recently may change again within the same tick of the file system's
// clock, unseen by its times: what was read of it is trusted for one command's look-ups only.
constexpr qint64 SettledSecs = 2;
constexpr qint64 UnsettledTrustMs = 1000;

// Device, inode, size and change times: Wine writes a new file and renames it into place.
// Empty when it is no regular file; `settled` when it last changed more than a moment ago.
QByteArray identityOf(const QString& file, bool& settled)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    settled = info.st_mtim.tv_sec + SettledSecs < QDateTime::currentSecsSinceEpoch();
    const qint64 parts[] = {qint64(info.st_dev),          qint64(info.st_ino),
                            qint64(info.st_size),         qint64(info.st_mtim.tv_sec),
                            qint64(info.st_mtim.tv_nsec), qint64(info.st_ctim.tv_sec),
                            qint64(info.st_ctim.tv_nsec)};
    return QByteArray(reinterpret_cast<const char*>(parts), sizeof parts);
}
} // namespace

WineRegistryReader::WineRegistryReader(std::function<QString()> storedPrefix, QString home)
    : storedPrefix_(std::move(storedPrefix)), home_(std::move(home))
{
}

WineRegistryReader::~WineRegistryReader()
{
    stop_ = true;
    joinSearch();
}

QStringList WineRegistryReader::frontEndPrefixes(const QString& home, qsizetype* all)
{
    static const char* const parents[] = {
        "/.local/share/wineprefixes",
        "/.PlayOnLinux/wineprefix",
        "/.local/share/bottles/bottles",
        "/.var/app/com.usebottles.bottles/data/bottles/bottles",
        "/Games",
    };
    QStringList prefixes;
    qsizetype count = 0;
    for (const char* parent : parents) {
        const QDir dir(home + QLatin1String(parent));
        const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        count += names.size();
        for (const QString& name : names) {
            if (prefixes.size() < MaxFrontEndPrefixes)
                prefixes << dir.filePath(name);
        }
    }
    if (all)
        *all = count;
    return prefixes;
}

void WineRegistryReader::searchAhead()
{
    joinSearch();
    stop_ = false;
    const QString chosen = resolveWinePrefix(storedPrefix_ ? storedPrefix_() : QString());
    ahead_ = std::thread([this, chosen] { search(chosen); });
}

void WineRegistryReader::joinSearch() const
{
    if (ahead_.joinable())
        ahead_.join();
}

WineRegistryReader::Prefix WineRegistryReader::prefixValues(const QString& prefix) const
{
    const QString file = prefix + QStringLiteral("/system.reg");
    bool settled = false;
    const QByteArray identity = identityOf(file, settled);
    if (identity.isEmpty()) {
        prefixes_.remove(prefix);
        return {};
    }
    const auto known = prefixes_.constFind(prefix);
    if (known != prefixes_.constEnd() && known->identity == identity &&
        !known->trusted.hasExpired())
        return *known;

    static const QList<WineValueName> names = valueNames();
    const WineRegistryScan scan = WineRegistry::scanFile(file, names, &stop_);
    Prefix read;
    read.identity = identity;
    read.trusted =
        settled ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(UnsettledTrustMs);
    for (qsizetype n = 0; n < names.size(); n += 2) {
        QString text;
        for (qsizetype at : {n, n + 1}) {
            if (at == n && scan.arch != WineArch::Win64)
                continue;
            if (scan.values[at]) {
                text = scan.values[at]->asText();
                break;
            }
        }
        read.values << text;
    }
    // A pass cut short proves nothing about the file.
    if (!stop_)
        prefixes_.insert(prefix, read);
    else
        prefixes_.remove(prefix);
    return read;
}

bool WineRegistryReader::holdsMessenger(const QString& prefix) const
{
    for (const QString& text : prefixValues(prefix).values) {
        if (!text.isEmpty() && QFileInfo(winePathToLocal(prefix, text)).isDir())
            return true;
    }
    return false;
}

// The chosen prefix when it holds Messenger, else the front-end's prefix found before while it
// still does, else the first that does; the chosen one when none does.
QString WineRegistryReader::search(const QString& chosen) const
{
    if (home_.isEmpty() || holdsMessenger(chosen))
        return chosen;
    if (!found_.isEmpty() && holdsMessenger(found_))
        return found_;
    const QString before = found_;
    found_.clear();
    for (const QString& prefix : frontEndPrefixes(home_)) {
        if (stop_)
            break;
        if (prefix != chosen && prefix != before && holdsMessenger(prefix)) {
            found_ = prefix;
            return prefix;
        }
    }
    return chosen;
}

QString WineRegistryReader::messengerPrefix() const
{
    joinSearch();
    const QString chosen = resolveWinePrefix(storedPrefix_ ? storedPrefix_() : QString());
    const QString prefix = search(chosen);
    if (prefix != chosen && logged_ != prefix) {
        logged_ = prefix;
        qInfo("No Messenger in the Wine prefix %s; using the one in %s", qUtf8Printable(chosen),
              qUtf8Printable(prefix));
    }
    return prefix;
}

QString WineRegistryReader::readValue(const QString& valuePath)
{
    const qsizetype index = messengerValueIndex(valuePath);
    if (index < 0)
        return {};
    const QString prefix = messengerPrefix();
    const QString text = prefixValues(prefix).values.value(index);
    return text.isEmpty() ? QString() : winePathToLocal(prefix, text);
}

QString WineRegistryReader::whereSearched() const
{
    QString where = QStringLiteral("the Wine prefix ") + messengerPrefix();
    if (!home_.isEmpty()) {
        qsizetype all = 0;
        const qsizetype searched = frontEndPrefixes(home_, &all).size();
        where +=
            QStringLiteral(" and %1 prefixes of Wine front-ends below %2").arg(searched).arg(home_);
        if (all > searched)
            where += QStringLiteral(" (%1 more were not searched)").arg(all - searched);
    }
    return where;
}
