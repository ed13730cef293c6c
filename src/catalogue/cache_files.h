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

// A refresh keeps the list copies it replaces in a folder inside Cache until its pass has loaded
// the new ones, so that a failed refresh can put them back. The folder's presence marks a
// refresh in progress, also across a crash.
bool refreshPending(const QString& cache);
// Moves every list copy (*.tmp) into that folder. After an interrupted refresh the copies kept
// then are the last complete ones: they are put back first. false when nothing could be moved.
bool setAsideListCopies(const QString& cache);
// Puts the kept copies back, replacing whatever copy stands in their place, and ends the refresh.
// Copies the refresh brought that have no kept counterpart are the caller's to delete first.
void restoreListCopies(const QString& cache);
// The refresh succeeded: the kept copies go.
void dropSetAsideCopies(const QString& cache);

} // namespace cachefiles
