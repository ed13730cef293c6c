#include "core/services/services.h"
#include "core/settings.h"
#include "platform/common/desktop_shell_service.h"
#include "platform/common/network_fetcher.h"
#include "platform/linux/ini_settings_store.h"
#include "platform/linux/lock_file_instance.h"
#include "platform/linux/private_folder.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_registry_reader.h"
#include "platform/linux/wine_window_service.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {
// $XDG_DATA_HOME/Drapello, else ~/.local/share/Drapello.
QString userDataFolder()
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Drapello");
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
    p.registry = std::make_unique<WineRegistryReader>(storedPrefix);
    p.fetcher = std::make_unique<NetworkFetcher>();
    // The window helpers are installed beside the program.
    p.windows = std::make_unique<WineWindowService>(
        [storedPrefix] { return resolveWinePrefix(storedPrefix()); },
        QCoreApplication::applicationDirPath());
    p.shell = std::make_unique<DesktopShellService>();
    p.programFolder = QCoreApplication::applicationDirPath();
    p.dataFolder = userDataFolder();
    return p;
}
