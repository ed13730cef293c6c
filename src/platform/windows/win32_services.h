#pragma once

#include "core/services/registry_reader.h"
#include "core/services/settings_store.h"
#include "core/services/window_service.h"

// Messenger's windows, straight through user32.
class Win32WindowService : public WindowService {
public:
    bool closeWindowOfClass(const QString& windowClass) override;
};

// Values from the 32-bit view of the registry, where 32-bit Messenger writes them.
class Win32RegistryReader : public RegistryReader {
public:
    QString readValue(const QString& valuePath) override;
};

// Settings in the current user's registry branch for program settings, one value per key
// (HKCU\Software\VB and VBA Program Settings\<app>\<section>), where other programs look for them.
class RegistrySettingsStore : public SettingsStore {
public:
    QString getSetting(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    bool saveSetting(const QString& app, const QString& section, const QString& key,
                     const QString& value) override;
};
