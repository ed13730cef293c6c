#include "core/services/services.h"
#include "platform/common/desktop_shell_service.h"
#include "platform/common/network_fetcher.h"
#include "platform/windows/named_mutex_instance.h"
#include "platform/windows/program_places.h"
#include "platform/windows/win32_services.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <windows.h>

namespace {
// A folder named by the environment, else Qt's idea of it.
QString knownFolder(const char* variable, QStandardPaths::StandardLocation fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty())
        return QDir::fromNativeSeparators(value);
    return QStandardPaths::writableLocation(fallback);
}

// Named pipes are seen by every session on the machine: the name carries ours and the user's.
QString instanceChannelName()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral("KorvaneSoftware.Drapello.%1.%2")
        .arg(session)
        .arg(qEnvironmentVariable("USERNAME"));
}
} // namespace

Services systemServices()
{
    Services p;
    p.settings = std::make_unique<RegistrySettingsStore>();
    p.instance = std::make_unique<NamedMutexInstance>();
    p.instanceChannel = instanceChannelName();
    p.registry = std::make_unique<Win32RegistryReader>();
    p.fetcher = std::make_unique<NetworkFetcher>();
    p.windows = std::make_unique<Win32WindowService>();
    p.shell = std::make_unique<DesktopShellService>();
    p.programFolder = QCoreApplication::applicationDirPath();
    const WindowsPlaces places = windowsPlaces(
        p.programFolder, knownFolder("LOCALAPPDATA", QStandardPaths::GenericDataLocation),
        knownFolder("APPDATA", QStandardPaths::GenericConfigLocation));
    p.cacheFolder = places.cacheFolder;
    p.languageFolders = places.languageFolders;
    p.dataFolder = places.dataFolder;
    return p;
}

// The command line as Windows keeps it, in full Unicode: the 8-bit arguments would lose a
// picture's name outside the user's code page.
QString argumentText(int, char*[])
{
    const QString line = QString::fromWCharArray(GetCommandLineW());
    qsizetype at = 0;
    if (line.startsWith(QLatin1Char('"'))) { // the program's own path, quoted
        at = line.indexOf(QLatin1Char('"'), 1);
        at = at < 0 ? line.size() : at + 1;
    }
    while (at < line.size() && line.at(at) != QLatin1Char(' ') && line.at(at) != QLatin1Char('\t'))
        ++at;
    while (at < line.size() &&
           (line.at(at) == QLatin1Char(' ') || line.at(at) == QLatin1Char('\t')))
        ++at;
    return line.mid(at);
}
