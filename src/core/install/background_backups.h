#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

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

// What a copy's name made by keep() tells: when it was made and the Messenger folder's name.
struct CopyName {
    QDateTime made;
    QString messengerFolder;
};
// Nothing for a name keep() does not make.
std::optional<CopyName> parseCopyName(const QString& fileName);

// Whether `name` is a copy of ours in the backups folder: made by keep(), still recorded, and
// an ordinary file there, not a link.
bool isOurs(const QString& backupsFolder, const QString& name);
// Deletes a copy of ours and forgets it. Throws AppError 75 for a file that is not ours, and
// as deleteSkinFile does when it cannot be deleted.
void discard(const QString& backupsFolder, const QString& name);

} // namespace backgrounds
