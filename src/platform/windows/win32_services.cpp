#include "platform/windows/win32_services.h"

#include "platform/windows/registry_value.h"
#include "platform/windows/window_close.h"

bool Win32WindowService::closeWindowOfClass(const QString& windowClass)
{
    const QByteArray name = windowClass.toLocal8Bit();
    // A window that did not answer in time was still found and sent the message.
    return closeTopLevelWindow(name.constData()) != CloseOutcome::NotFound;
}

QString Win32RegistryReader::readValue(const QString& valuePath)
{
    return QString::fromStdWString(readRegistryValue32(valuePath.toStdWString()));
}

namespace {
// Where Visual Basic's GetSetting and SaveSetting keep a program's settings: a user who had the
// old program keeps what was stored there.
std::wstring settingsKey(const QString& app, const QString& section)
{
    return (QStringLiteral("Software\\VB and VBA Program Settings\\") + app + QLatin1Char('\\') +
            section)
        .toStdWString();
}
} // namespace

QString RegistrySettingsStore::getSetting(const QString& app, const QString& section,
                                          const QString& key, const QString& defaultValue)
{
    const std::optional<std::wstring> value =
        readUserValue(settingsKey(app, section), key.toStdWString());
    return value ? QString::fromStdWString(*value) : defaultValue;
}

bool RegistrySettingsStore::saveSetting(const QString& app, const QString& section,
                                        const QString& key, const QString& value)
{
    return writeUserValue(settingsKey(app, section), key.toStdWString(), value.toStdWString());
}
