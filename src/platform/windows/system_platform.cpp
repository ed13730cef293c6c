#include "platform/desktop_shell_service.h"
#include "platform/null_services.h"
#include "platform/platform.h"
#include "platform/qt_dialog_service.h"
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

Platform Platform::system()
{
    Platform p;
    p.settings = std::make_unique<RegistrySettingsStore>();
    p.instance = std::make_unique<NamedMutexInstance>();
    p.instanceChannel = QStringLiteral("KorvaneSoftware.Drapello");
    p.registry = std::make_unique<Win32RegistryReader>();
    p.fetcher = std::make_unique<NoFetcher>();
    p.windows = std::make_unique<Win32WindowService>();
    p.shell = std::make_unique<DesktopShellService>();
    p.dialogs = std::make_unique<QtDialogService>();
    p.programFolder = QCoreApplication::applicationDirPath();
    p.dataFolder = userDataFolder();
    return p;
}
