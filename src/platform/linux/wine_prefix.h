#pragma once

#include <QString>

// Where Messenger's Wine prefix is: the stored setting when there is one, else $WINEPREFIX,
// else ~/.wine. No trailing separator.
QString resolveWinePrefix(const QString& storedSetting);

enum class WineArch { Unknown, Win32, Win64 };

// The "#arch=" line near the top of the prefix's system.reg; Unknown when there is none or the
// file cannot be read.
WineArch wineArchOf(const QString& prefix);
