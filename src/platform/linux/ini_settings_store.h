#pragma once

#include "core/services/settings_store.h"

#include <QString>
#include <memory>

// One INI file per application in a configuration folder, one group per section; every value
// is stored as text and written to disk before saveSetting returns.
//
// People edit this file by hand and other programs may keep sections in it, so only the lines of
// the asked section's keys are read or rewritten: every other byte of the file stays as it was.
// Values are written the way QSettings writes them, so files from either side read the same.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString configFolder);
    ~IniSettingsStore() override;

    QString getSetting(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    bool saveSetting(const QString& app, const QString& section, const QString& key,
                     const QString& value) override;

    QString fileFor(const QString& app) const;

private:
    struct ReadSections; // what was read, kept until the file changes

    QString configFolder_;
    std::unique_ptr<ReadSections> read_;
};
