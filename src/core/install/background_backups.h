#pragma once

#include <QString>
#include <QStringList>

// Messenger's background files in one Messenger folder. Windows, and Wine for Messenger, treat
// "LVBACK.GIF" and "lvback.gif" as one file, so every name that differs only in case counts.
namespace backgrounds {

// Entries of `folder` named lvback.gif in any case, the exact lower-case name first.
QStringList existingIn(const QString& folder);

// Where an install writes: the background already there (in whatever case), else lvback.gif.
QString installTarget(const QString& folder);

// How many of its own copies the backups folder keeps; the oldest made go first.
inline constexpr int KeptBackups = 20;

// Copies `background` (a file in `messengerFolder`) into `backupsFolder` under a name made of
// the date and time and the Messenger folder, then drops the oldest copies made here beyond
// KeptBackups, never the new one and never a file put there by anyone else.
// Returns the copy's path. Throws AppError when the copy cannot be written (nothing may then be
// replaced).
QString keep(const QString& background, const QString& messengerFolder,
             const QString& backupsFolder);

} // namespace backgrounds
