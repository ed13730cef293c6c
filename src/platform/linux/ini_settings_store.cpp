#include "platform/linux/ini_settings_store.h"

#include <QDir>
#include <QSettings>
#include <QStringList>

IniSettingsStore::IniSettingsStore(QString configFolder) : configFolder_(std::move(configFolder)) {}

QString IniSettingsStore::fileFor(const QString& app) const
{
    return configFolder_ + QLatin1Char('/') + app + QStringLiteral(".ini");
}

QString IniSettingsStore::getSetting(const QString& app, const QString& section,
                                     const QString& key, const QString& defaultValue)
{
    // A fresh reader every time: values such as "base" are set from outside while we run.
    QSettings ini(fileFor(app), QSettings::IniFormat);
    ini.beginGroup(section);
    if (!ini.contains(key))
        return defaultValue;
    const QVariant value = ini.value(key);
    // A hand-edited value with an unquoted comma reads back as a list; keep it as the text it was.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool IniSettingsStore::saveSetting(const QString& app, const QString& section, const QString& key,
                                   const QString& value)
{
    QDir().mkpath(configFolder_);
    QSettings ini(fileFor(app), QSettings::IniFormat);
    ini.beginGroup(section);
    ini.setValue(key, value);
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}
