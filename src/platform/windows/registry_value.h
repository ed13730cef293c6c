#pragma once

#include <string>

// Plain Win32, no Qt. Reads one registry value given its full path, "HKLM\Key\...\ValueName"
// (a path ending in "\" names the key's default value), from the 32-bit view of the registry,
// where 32-bit Messenger writes its settings. Strings come back as stored (environment
// references are not expanded), numbers as decimal text. Empty text on any failure.
std::wstring readRegistryValue32(const std::wstring& valuePath);
