#pragma once

#include <QString>
#include <QStringList>

// The folders where a Wine server for this prefix would keep its lock and socket:
// <tmp>/.wine-<uid>/server-<dev>-<inode> (Wine's own layout) and <tmp>/<name>/server-<dev>-<inode>
// with the name that Debian's Wine writes to <prefix>/wineserver; <tmp> being $TMPDIR and /tmp.
// Empty when the prefix folder does not exist.
QStringList wineServerFolders(const QString& prefix);

// true when a Wine server is running for the prefix: a live process holds the lock in its server
// folder. A folder or socket left behind by a server that was killed does not count. Looks only;
// never starts anything.
bool wineServerRunning(const QString& prefix);
