#include "files/regular_file.h"

#include <QFileInfo>

bool openRegularFile(QFile& file, const QString& path)
{
    // Named pipes live outside the file system's folders here; a folder is what to refuse.
    if (!QFileInfo(path).isFile())
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}
