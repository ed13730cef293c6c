#pragma once

#include "core/services/registry_reader.h"

#include <functional>

// Messenger runs under Wine on Linux, so its machine-wide values live in the Wine prefix's
// system.reg. Values are read from the file afresh on every call (Wine rewrites it while it
// runs) and a Windows path is given back as the local path it stands for.
class WineRegistryReader : public RegistryReader {
public:
    // storedPrefix gives the user's "wineprefix" setting, or empty text when there is none.
    explicit WineRegistryReader(std::function<QString()> storedPrefix);

    // "HKLM\Software\...\ValueName" (or HKEY_LOCAL_MACHINE\...). In a win64 prefix a 32-bit
    // program's key under Software\Wow6432Node is tried first, then the plain key.
    QString readValue(const QString& valuePath) override;
    QString whereSearched() const override;

private:
    std::function<QString()> storedPrefix_;
};
