#include "install/mdl_registry.h"

#include "platform/registry_reader.h"

QStringList messengerValuePaths()
{
    return {QStringLiteral("HKLM\\Software\\Microsoft\\MessengerService\\InstallationDirectory"),
            QStringLiteral("HKLM\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory")};
}

QString ReadRegValue(RegistryReader& registry, const QString& valuePath)
{
    try {
        return registry.readValue(valuePath);
    } catch (...) {
        return {};
    }
}

QString GetMessengerFolder(RegistryReader& registry, const QString& valuePath)
{
    QString folder = ReadRegValue(registry, valuePath);
    // A Windows value ends in "\", the local path a Wine prefix maps it to in "/".
    if (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}
