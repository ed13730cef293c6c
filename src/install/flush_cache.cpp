#include "app/form1.h"

#include <QDir>
#include <QFile>

// Deletes the list copies; temp.dat and everything else stay. Nothing here is ever reported.
void Form1::FlushCache()
{
    try {
        QDir cache(cacheFolder());
        if (!cache.exists())
            return;
        // Hidden too: the copy of an empty category name is ".tmp".
        const QStringList copies =
            cache.entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : copies)
            QFile::remove(cache.filePath(name));
    } catch (...) {
    }
}
