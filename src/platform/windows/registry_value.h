#pragma once

#include <optional>
#include <string>

// Plain Win32, no Qt. Reads one registry value given its full path, "HKLM\Key\...\ValueName"
// (a path ending in "\" names the key's default value), from the 32-bit view of the registry,
// where 32-bit Messenger writes its settings. Strings come back as stored (environment
// references are not expanded), numbers as decimal text. Empty text on any failure.
std::wstring readRegistryValue32(const std::wstring& valuePath);

// One value of a key under HKEY_CURRENT_USER, in the registry view of this program: its text as
// above, or nothing when the key or the value is missing or unreadable.
std::optional<std::wstring> readUserValue(const std::wstring& subKey, const std::wstring& name);

// Stores text as a string value (REG_SZ) under HKEY_CURRENT_USER, creating the key; false when
// the system refused.
bool writeUserValue(const std::wstring& subKey, const std::wstring& name,
                    const std::wstring& value);
