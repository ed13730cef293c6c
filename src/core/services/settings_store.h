#pragma once

#include <QString>

// Per-user string values addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultValue when the key is missing.
    virtual QString getSetting(const QString& app, const QString& section, const QString& key,
                               const QString& defaultValue) = 0;
    // Stores the text at once, creating application, section and key as needed; false when it
    // could not be stored.
    virtual bool saveSetting(const QString& app, const QString& section, const QString& key,
                             const QString& value) = 0;
};
