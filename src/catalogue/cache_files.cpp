#include "catalogue/cache_files.h"

#include "app/app_error.h"
#include "catalogue/list_format.h"
#include "platform/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

namespace cachefiles {

void ensureFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return;
    if (!QDir().mkpath(folder))
        throw AppError::pathFileAccess();
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

QString readList(const QString& path)
{
    QFile file;
    if (!openRegularFile(file, path))
        throw QFileInfo::exists(path) ? AppError::pathFileAccess() : AppError::fileNotFound();
    if (file.size() > listformat::MaxListBytes)
        throw AppError::overflow();
    // One byte past the limit: a file may hold more than it claimed a moment ago.
    const QByteArray bytes = file.read(listformat::MaxListBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw AppError::pathFileAccess();
    if (bytes.size() > listformat::MaxListBytes)
        throw AppError::overflow();
    return listformat::decodeList(bytes);
}

QString timeOfDayText()
{
    // A fixed 24-hour format with seconds: a system short format may leave the seconds out.
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace cachefiles
