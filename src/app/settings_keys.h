#pragma once

#include <QString>

// Every setting the program knows, with its default, in one place.
struct SettingKey {
    const char* name;
    const char* defaultValue;
};

namespace SettingKeys {
inline constexpr const char* Application = "KorvaneSoftware";
inline constexpr const char* Section = "Drapello";

inline constexpr SettingKey updatelist{"updatelist", "1"};
inline constexpr SettingKey path{"path", ""};
inline constexpr SettingKey base{"base", "http://www.korvane.nl/korvane/base/"};
inline constexpr SettingKey language{"language", ""};
inline constexpr SettingKey algedaan{"algedaan", "0"};
// The Wine prefix Messenger lives in, for people who keep it somewhere of their own.
inline constexpr SettingKey wineprefix{"wineprefix", ""};
} // namespace SettingKeys
