#include "core/settings.h"

#include "core/app_error.h"
#include "core/services/settings_store.h"
#include "core/startup_rules.h"

#include <QDir>

QString Settings::value(const SettingKey& key) const
{
    return store_.getSetting(QString::fromLatin1(Application), QString::fromLatin1(Section),
                             QString::fromLatin1(key.name), QString::fromUtf8(key.defaultValue));
}

void Settings::store(const SettingKey& key, const QString& value)
{
    if (!store_.saveSetting(QString::fromLatin1(Application), QString::fromLatin1(Section),
                            QString::fromLatin1(key.name), value))
        throw AppError(75, QStringLiteral("Path/File access error: settings cannot be stored"));
}

qint16 Settings::updateAtStart() const
{
    return toInteger16(value(UpdateAtStart));
}

void Settings::setUpdateAtStart(int value)
{
    store(UpdateAtStart, QString::number(value));
}

void Settings::setProgramFolder(const QString& folder)
{
    // As the system writes paths: "C:\Program Files\Drapello" on Windows.
    store(ProgramFolder, QDir::toNativeSeparators(folder));
}

QString Settings::baseUrl() const
{
    return value(BaseUrl);
}

QString Settings::language() const
{
    return value(Language);
}

void Settings::setLanguage(const QString& fileName)
{
    store(Language, fileName);
}

bool Settings::languageChosen() const
{
    bool isNumber = false;
    const double chosen = value(LanguageChosen).trimmed().toDouble(&isNumber);
    return isNumber && chosen == 1.0;
}

void Settings::setLanguageChosen()
{
    store(LanguageChosen, QStringLiteral("1"));
}

QString Settings::winePrefix() const
{
    return value(WinePrefix);
}

std::optional<CatalogueSkin> Settings::installedSkin() const
{
    CatalogueSkin skin{value(InstalledCategory), value(InstalledSkin)};
    if (skin.category.isEmpty() && skin.name.isEmpty())
        return std::nullopt;
    return skin;
}

void Settings::setInstalledSkin(const CatalogueSkin& skin)
{
    store(InstalledCategory, skin.category);
    store(InstalledSkin, skin.name);
}

void Settings::forgetInstalledSkin()
{
    store(InstalledCategory, QString());
    store(InstalledSkin, QString());
}
