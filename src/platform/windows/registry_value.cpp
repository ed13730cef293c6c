#include "platform/windows/registry_value.h"

#include <vector>
#include <windows.h>

namespace {

HKEY hiveNamed(const std::wstring& name)
{
    struct Hive {
        const wchar_t* shortName;
        const wchar_t* longName;
        HKEY key;
    };
    static const Hive hives[] = {
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKU", L"HKEY_USERS", HKEY_USERS},
        {L"HKCC", L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const Hive& hive : hives) {
        if (CompareStringOrdinal(name.c_str(), -1, hive.shortName, -1, TRUE) == CSTR_EQUAL ||
            CompareStringOrdinal(name.c_str(), -1, hive.longName, -1, TRUE) == CSTR_EQUAL)
            return hive.key;
    }
    return nullptr;
}

// Closes the key on every way out.
struct OpenKey {
    HKEY key = nullptr;
    ~OpenKey()
    {
        if (key)
            RegCloseKey(key);
    }
};

// The text of a value of an open key, as readRegistryValue32 describes it.
std::optional<std::wstring> readOpenValue(HKEY key, const std::wstring& valueName)
{
    const DWORD accepted = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_RT_REG_DWORD | RRF_NOEXPAND;
    // The value may grow between the size query and the read; try again a few times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueW(key, nullptr, valueName.c_str(), accepted, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<BYTE> data(size + sizeof(wchar_t));
        DWORD got = size;
        const LSTATUS status =
            RegGetValueW(key, nullptr, valueName.c_str(), accepted, &type, data.data(), &got);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        if (type == REG_DWORD && got >= sizeof(DWORD)) {
            DWORD number = 0;
            CopyMemory(&number, data.data(), sizeof number);
            return std::to_wstring(number);
        }
        // RegGetValueW terminates strings; cut at the first terminator.
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
        const std::size_t length = got / sizeof(wchar_t);
        std::size_t end = 0;
        while (end < length && text[end] != L'\0')
            ++end;
        return std::wstring(text, end);
    }
    return std::nullopt;
}

} // namespace

std::wstring readRegistryValue32(const std::wstring& valuePath)
{
    const std::size_t firstSlash = valuePath.find(L'\\');
    const std::size_t lastSlash = valuePath.rfind(L'\\');
    if (firstSlash == std::wstring::npos)
        return {};
    const HKEY hive = hiveNamed(valuePath.substr(0, firstSlash));
    if (!hive)
        return {};
    const std::wstring subKey = lastSlash > firstSlash
                                    ? valuePath.substr(firstSlash + 1, lastSlash - firstSlash - 1)
                                    : std::wstring();
    OpenKey opened;
    if (RegOpenKeyExW(hive, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened.key) !=
        ERROR_SUCCESS)
        return {};
    return readOpenValue(opened.key, valuePath.substr(lastSlash + 1)).value_or(std::wstring());
}

std::optional<std::wstring> readUserValue(const std::wstring& subKey, const std::wstring& name)
{
    OpenKey opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, &opened.key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return readOpenValue(opened.key, name);
}

bool writeUserValue(const std::wstring& subKey, const std::wstring& name, const std::wstring& value)
{
    OpenKey opened;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &opened.key, nullptr) != ERROR_SUCCESS)
        return false;
    // The terminator is part of a REG_SZ's data.
    const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(opened.key, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}
