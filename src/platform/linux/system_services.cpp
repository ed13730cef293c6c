#include "core/services/services.h"
#include "core/settings.h"
#include "platform/common/desktop_shell_service.h"
#include "platform/common/network_fetcher.h"
#include "platform/linux/ini_settings_store.h"
#include "platform/linux/lock_file_instance.h"
#include "platform/linux/private_folder.h"
#include "platform/linux/program_places.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_registry_reader.h"
#include "platform/linux/wine_window_service.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// $XDG_DATA_HOME, else ~/.local/share.
QString userDataHome()
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : data;
}

// $XDG_CACHE_HOME, else ~/.cache.
QString userCacheHome()
{
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache") : cache;
}

// Beside the program in a portable copy; an installed one keeps them in <prefix>/lib/drapello,
// out of the command path.
QString windowHelperFolder(const QString& programFolder)
{
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../lib/drapello"));
    return QFileInfo(installed).isDir() ? installed : programFolder;
}
} // namespace

Services systemServices()
{
    Services p;
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    p.settings = std::make_unique<IniSettingsStore>(config);

    // Never a shared folder such as /tmp itself: another user could hold the lock there, or
    // plant a link that makes a start overwrite the user's files.
    const QString runtime = privateRuntimeFolder();
    p.instance = std::make_unique<LockFileInstance>(
        runtime.isEmpty() ? QString() : runtime + QStringLiteral("/drapello.lock"));
    p.instanceChannel =
        runtime.isEmpty() ? QString() : runtime + QStringLiteral("/drapello.socket");

    // Messenger's Wine prefix is looked up at each call: the setting may change while we run.
    // The settings store outlives the services that read it: all belong to these Services.
    SettingsStore* settings = p.settings.get();
    auto storedPrefix = [settings] { return Settings(*settings).winePrefix(); };
    auto registry = std::make_unique<WineRegistryReader>(storedPrefix, QDir::homePath());
    registry->searchAhead();
    // The window helper runs where Messenger was found.
    const WineRegistryReader* reader = registry.get();
    p.registry = std::move(registry);
    p.fetcher = std::make_unique<NetworkFetcher>();
    p.programFolder = QCoreApplication::applicationDirPath();
    p.windows = std::make_unique<WineWindowService>([reader] { return reader->messengerPrefix(); },
                                                    windowHelperFolder(p.programFolder));
    p.shell = std::make_unique<DesktopShellService>();
    const ProgramPlaces places = programPlaces(p.programFolder, userCacheHome(), userDataHome());
    p.cacheFolder = places.cacheFolder;
    p.languageFolders = places.languageFolders;
    p.dataFolder = userDataHome() + QStringLiteral("/Drapello");
    return p;
}

QString argumentText(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments.join(QLatin1Char(' '));
}
