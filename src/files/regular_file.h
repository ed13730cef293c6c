#pragma once

#include <QFile>
#include <QString>

// Opens path for reading only when it is a regular file, and never waits doing so: a FIFO or a
// device put where a file is expected would block open() or read() for ever. false (and file
// left closed) for anything else, or when it cannot be opened.
bool openRegularFile(QFile& file, const QString& path);
