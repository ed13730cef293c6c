#include "platform/windows/win32_services.h"

#include "platform/windows/registry_value.h"
#include "platform/windows/window_close.h"

#include <QSettings>

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
QString settingsKey(const QString& app, const QString& section)
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + app +
           QLatin1Char('\\') + section;
}
} // namespace

QString RegistrySettingsStore::getSetting(const QString& app, const QString& section,
                                          const QString& key, const QString& defaultValue)
{
    QSettings registry(settingsKey(app, section), QSettings::NativeFormat);
    if (!registry.contains(key))
        return defaultValue;
    return registry.value(key).toString();
}

bool RegistrySettingsStore::saveSetting(const QString& app, const QString& section,
                                        const QString& key, const QString& value)
{
    QSettings registry(settingsKey(app, section), QSettings::NativeFormat);
    registry.setValue(key, value);
    registry.sync();
    return registry.status() == QSettings::NoError;
}
