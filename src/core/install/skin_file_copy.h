#pragma once

#include <QString>

// Copies source over target byte for byte. The bytes go to a temporary file beside the target
// that replaces it only when complete, so a failed copy leaves the old target as it was. A
// symbolic link at the target is replaced itself, never written through.
// Throws AppError: 70 when the target or its folder is write-protected, 61 when the disk is
// full, 76 when the target's folder is missing, 75 for any other refusal (the target is a
// folder, the source cannot be read...).
void copySkinFile(const QString& source, const QString& target);

// Deletes one file (a link itself, not what it points to). Throws AppError 70 when it is
// write-protected or its folder is, 75 when it cannot be deleted for another reason.
void deleteSkinFile(const QString& path);
