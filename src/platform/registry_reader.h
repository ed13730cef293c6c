#pragma once

#include <QString>

// Reads one registry value by its full path ("HKLM\Software\...\ValueName").
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The value as text; empty text when the value, its key or the registry is unavailable.
    // Never throws.
    virtual QString readValue(const QString& valuePath) = 0;
};
