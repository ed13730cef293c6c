#pragma once

#include <QString>
#include <optional>

class SettingsStore;

// A skin of the catalogue: its category's text and its name.
struct CatalogueSkin {
    QString category;
    QString name;
    bool operator==(const CatalogueSkin& other) const
    {
        return category == other.category && name == other.name;
    }
};

// One stored setting: its key in the settings file and the value a missing key reads as.
struct SettingKey {
    const char* name;
    const char* defaultValue;
};

// The program's settings with their keys and defaults, written once here. Every value is read
// from the store when asked for (the file may be edited by hand while the program runs) and
// written the moment it changes.
class Settings {
public:
    static constexpr const char* Application = "KorvaneSoftware";
    static constexpr const char* Section = "Drapello";

    static constexpr SettingKey UpdateAtStart{"updatelist", "1"};
    static constexpr SettingKey ProgramFolder{"path", ""};
    static constexpr SettingKey BaseUrl{"base", "http://www.korvane.nl/korvane/base/"};
    static constexpr SettingKey Language{"language", ""};
    static constexpr SettingKey LanguageChosen{"algedaan", "0"};
    // The Wine prefix Messenger lives in, for people who keep it somewhere of their own.
    static constexpr SettingKey WinePrefix{"wineprefix", ""};
    // The catalogue skin installed last, while it is what Messenger shows: its category's text
    // and its name.
    static constexpr SettingKey InstalledCategory{"installedcategory", ""};
    static constexpr SettingKey InstalledSkin{"installedskin", ""};
    // The skin servers the user keeps, separated by single blanks; "base" is the one in use.
    static constexpr SettingKey Servers{"servers", ""};

    explicit Settings(SettingsStore& store) : store_(store) {}

    QString value(const SettingKey& key) const;
    // Throws AppError 75 when the value cannot be stored.
    void store(const SettingKey& key, const QString& value);

    // Throws AppError 13 for text that is no number, 6 for one outside 16 bits.
    qint16 updateAtStart() const;
    void setUpdateAtStart(int value);
    void setProgramFolder(const QString& folder);
    QString baseUrl() const;
    QString language() const;
    void setLanguage(const QString& fileName);
    // Only the number 1 counts as chosen. Text that is no number, or a fraction that would round
    // to 1, can only come from editing the settings by hand; it asks again.
    bool languageChosen() const;
    void setLanguageChosen();
    QString winePrefix() const;
    // The catalogue skin installed last, when Messenger still shows it.
    std::optional<CatalogueSkin> installedSkin() const;
    void setInstalledSkin(const CatalogueSkin& skin);
    // Something else was installed, or the background removed.
    void forgetInstalledSkin();

private:
    SettingsStore& store_;
};
