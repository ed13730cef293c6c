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

namespace {
// No list copy can be this: their names all end in ".tmp".
QString setAsideFolder(const QString& cache)
{
    return cache + QStringLiteral("/before-refresh");
}

QStringList listCopiesIn(const QDir& folder)
{
    // Hidden too: the copy of an empty category name is ".tmp".
    return folder.entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
}

void moveReplacing(const QString& from, const QString& to)
{
    if (!QFile::rename(from, to)) {
        QFile::remove(to);
        QFile::rename(from, to);
    }
}
} // namespace

bool refreshPending(const QString& cache)
{
    return QFileInfo(setAsideFolder(cache)).isDir();
}

bool setAsideListCopies(const QString& cache)
{
    if (refreshPending(cache))
        restoreListCopies(cache);
    const QDir kept(setAsideFolder(cache));
    if (!QDir().mkpath(kept.path()))
        return false;
    const QDir folder(cache);
    for (const QString& name : listCopiesIn(folder))
        moveReplacing(folder.filePath(name), kept.filePath(name));
    return true;
}

void restoreListCopies(const QString& cache)
{
    QDir kept(setAsideFolder(cache));
    for (const QString& name : listCopiesIn(kept))
        moveReplacing(kept.filePath(name), cache + QLatin1Char('/') + name);
    // A copy that could not be moved back keeps the refresh pending rather than being lost.
    QDir().rmdir(kept.path());
}

void dropSetAsideCopies(const QString& cache)
{
    QDir(setAsideFolder(cache)).removeRecursively();
}

QString timeOfDayText()
{
    // A fixed 24-hour format with seconds: a system short format may leave the seconds out.
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace cachefiles
