#include "core/install/background_backups.h"

#include "core/app_error.h"
#include "core/install/messenger_folders.h"
#include "core/install/skin_file_copy.h"
#include "files/regular_file.h"
#include "files/safe_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace backgrounds {

QStringList existingIn(const QString& folder)
{
    const QString name = QString::fromLatin1(MessengerFolders::BackgroundName);
    QStringList found;
    // System too: a dangling link or a FIFO under that name is one Wine may find.
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                       QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (entry == name)
            found.prepend(folder + QLatin1Char('/') + entry);
        else
            found.append(folder + QLatin1Char('/') + entry);
    }
    return found;
}

QString installTarget(const QString& folder)
{
    const QStringList found = existingIn(folder);
    return found.isEmpty()
               ? folder + QLatin1Char('/') + QString::fromLatin1(MessengerFolders::BackgroundName)
               : found.first();
}

namespace {

// "C:/users/x/.wine/drive_c/Program Files/MSN Messenger" gives "MSN Messenger"; characters a
// file name cannot hold become "_".
QString folderTag(const QString& messengerFolder)
{
    QString tag = QFileInfo(messengerFolder).fileName();
    for (QChar& c : tag) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return tag.isEmpty() ? QStringLiteral("Messenger") : tag;
}

// The copies this program made, oldest first, one name a line. Only these are ever pruned:
// the folder is the user's too, and names say nothing of who made a file or when.
const QString RecordName = QStringLiteral(".drapello-backups");
constexpr qint64 MaxRecordBytes = 1024 * 1024;

bool isCopyOfOurs(const QString& backupsFolder, const QString& name)
{
    const QFileInfo info(backupsFolder + QLatin1Char('/') + name);
    return info.fileName() == name && !name.startsWith(QLatin1Char('.')) && info.isFile() &&
           !info.isSymLink();
}

// Records the new copy, then drops the oldest recorded ones beyond KeptBackups; a copy never
// recorded is never dropped.
void recordAndPrune(const QString& backupsFolder, const QString& copy)
{
    const QString record = backupsFolder + QLatin1Char('/') + RecordName;
    QFile in;
    QStringList names;
    if (openRegularFile(in, record))
        names = QString::fromUtf8(in.read(MaxRecordBytes)).split(QLatin1Char('\n'));
    in.close(); // Windows replaces no file that is open
    const QString newest = QFileInfo(copy).fileName();
    names.removeIf(
        [&](const QString& name) { return name == newest || !isCopyOfOurs(backupsFolder, name); });
    names << newest;
    while (names.size() > KeptBackups)
        QFile::remove(backupsFolder + QLatin1Char('/') + names.takeFirst());
    SafeFile out(record, SafeFile::Durability::Flushed, SafeFile::Links::Replace);
    // Without the record the copy is merely never pruned, and it is made: no reason to fail.
    if (!out.open() || !out.write((names.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) ||
        !out.commit())
        qWarning("Cannot record the backup \"%s\"", qUtf8Printable(copy));
}

} // namespace

QString keep(const QString& background, const QString& messengerFolder,
             const QString& backupsFolder)
{
    if (backupsFolder.isEmpty() || !QDir().mkpath(backupsFolder)) {
        // The status bar has no room for the path.
        qWarning("Cannot create the backups folder \"%s\"", qUtf8Printable(backupsFolder));
        throw AppError::pathFileAccess();
    }
    const QString stem =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss.zzz")) +
        QLatin1Char(' ') + folderTag(messengerFolder);
    QString copy = backupsFolder + QLatin1Char('/') + stem + QStringLiteral(".gif");
    for (int n = 2; QFileInfo(copy).exists() || QFileInfo(copy).isSymLink(); ++n)
        copy = backupsFolder + QLatin1Char('/') + stem + QStringLiteral(" (%1).gif").arg(n);
    copySkinFile(background, copy);
    recordAndPrune(backupsFolder, copy);
    return copy;
}

} // namespace backgrounds
