#pragma once

#include "platform/settings_store.h"

// One INI file per application in a configuration folder, one group per section; every value
// is stored as text and written to disk before saveSetting returns.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString configFolder);

    QString getSetting(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    bool saveSetting(const QString& app, const QString& section, const QString& key,
                     const QString& value) override;

    QString fileFor(const QString& app) const;

private:
    QString configFolder_;
};
