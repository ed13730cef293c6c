#pragma once

#include <QString>

// Reads one registry value by its full path ("HKLM\Software\...\ValueName").
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The value as text; empty text when the value, its key or the registry is unavailable.
    // Never throws.
    virtual QString readValue(const QString& valuePath) = 0;
    // Where values are looked up, for the log when Messenger cannot be found.
    virtual QString whereSearched() const { return QStringLiteral("the registry"); }
};
