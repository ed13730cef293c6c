#include "core/services/services.h"
#include "platform/common/desktop_shell_service.h"
#include "platform/common/network_fetcher.h"
#include "platform/windows/named_mutex_instance.h"
#include "platform/windows/win32_services.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace {
QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Drapello");
}
} // namespace

Services systemServices()
{
    Services p;
    p.settings = std::make_unique<RegistrySettingsStore>();
    p.instance = std::make_unique<NamedMutexInstance>();
    p.instanceChannel = QStringLiteral("KorvaneSoftware.Drapello");
    p.registry = std::make_unique<Win32RegistryReader>();
    p.fetcher = std::make_unique<NetworkFetcher>();
    p.windows = std::make_unique<Win32WindowService>();
    p.shell = std::make_unique<DesktopShellService>();
    p.programFolder = QCoreApplication::applicationDirPath();
    p.dataFolder = userDataFolder();
    return p;
}
