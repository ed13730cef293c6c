#pragma once

#include <QString>

// Opens path for reading without waiting in open() (a FIFO put where a file is expected would
// block it) and keeps the descriptor only when it names a regular file; -1 otherwise. The
// descriptor is still non-blocking. extraFlags adds to the open flags, such as O_NOFOLLOW.
int openRegularFileDescriptor(const QString& path, int extraFlags = 0);
