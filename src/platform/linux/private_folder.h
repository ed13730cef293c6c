#pragma once

#include <QString>

// true when path is a folder of this user's own that no one else may enter (mode 0700 or
// stricter) and not a symbolic link: nothing in it can have been put there, or be read, by
// another user. Wine demands the same of its server folders.
bool isPrivateFolder(const QString& path);

// The folder for the one-copy lock and its socket: $XDG_RUNTIME_DIR when it is private; else
// drapello-<uid> in the temporary folder, made private; else drapello in the user's cache
// folder, when the first was taken by someone else. Empty when none of them can be had.
QString privateRuntimeFolder();
