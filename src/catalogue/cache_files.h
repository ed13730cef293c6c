#pragma once

#include <QString>

// The Cache folder's files as the catalogue and the preview use them.
namespace cachefiles {

// Creates the folder when no directory of that name exists. Throws AppError 75 when that fails.
void ensureFolder(const QString& folder);
// True when something exists at the path.
bool exists(const QString& path);
// The whole file as list text. Throws AppError 53 when it is gone, 75 when it cannot be read or
// is not a regular file, 6 when it is larger than a list can be.
QString readList(const QString& path);
// The time-of-day text that makes category keys unique; it changes every second.
QString timeOfDayText();

} // namespace cachefiles
