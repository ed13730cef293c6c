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
#include <QRegularExpression>

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
const QString StampFormat = QStringLiteral("yyyy-MM-dd HH.mm.ss.zzz");

QStringList readRecord(const QString& backupsFolder)
{
    QFile in;
    QStringList names;
    if (openRegularFile(in, backupsFolder + QLatin1Char('/') + RecordName))
        names = QString::fromUtf8(in.read(MaxRecordBytes)).split(QLatin1Char('\n'));
    return names; // closed here: Windows replaces no file that is open
}

// Without the record a copy is merely never pruned: no reason to fail what was asked.
void writeRecord(const QString& backupsFolder, const QStringList& names)
{
    SafeFile out(backupsFolder + QLatin1Char('/') + RecordName, SafeFile::Durability::Flushed,
                 SafeFile::Links::Replace);
    if (!out.open() || !out.write((names.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) ||
        !out.commit())
        qWarning("Cannot write the list of backups in \"%s\"", qUtf8Printable(backupsFolder));
}

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
    QStringList names = readRecord(backupsFolder);
    const QString newest = QFileInfo(copy).fileName();
    names.removeIf(
        [&](const QString& name) { return name == newest || !isCopyOfOurs(backupsFolder, name); });
    names << newest;
    while (names.size() > KeptBackups)
        QFile::remove(backupsFolder + QLatin1Char('/') + names.takeFirst());
    writeRecord(backupsFolder, names);
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
    const QString stem = QDateTime::currentDateTime().toString(StampFormat) + QLatin1Char(' ') +
                         folderTag(messengerFolder);
    QString copy = backupsFolder + QLatin1Char('/') + stem + QStringLiteral(".gif");
    for (int n = 2; QFileInfo(copy).exists() || QFileInfo(copy).isSymLink(); ++n)
        copy = backupsFolder + QLatin1Char('/') + stem + QStringLiteral(" (%1).gif").arg(n);
    copySkinFile(background, copy);
    recordAndPrune(backupsFolder, copy);
    return copy;
}

std::optional<CopyName> parseCopyName(const QString& fileName)
{
    // "2026-12-07 14.03.22.517 MSN Messenger.gif", or "... MSN Messenger (2).gif" when two
    // copies fell in one millisecond.
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.\\d{3}) (.+?)( \\(\\d+\\))?\\.gif$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime made = QDateTime::fromString(match.captured(1), StampFormat);
    if (!made.isValid())
        return std::nullopt;
    return CopyName{made, match.captured(2)};
}

bool isOurs(const QString& backupsFolder, const QString& name)
{
    return isCopyOfOurs(backupsFolder, name) && readRecord(backupsFolder).contains(name);
}

void discard(const QString& backupsFolder, const QString& name)
{
    if (!isOurs(backupsFolder, name))
        throw AppError::pathFileAccess();
    deleteSkinFile(backupsFolder + QLatin1Char('/') + name);
    QStringList names = readRecord(backupsFolder);
    names.removeAll(name);
    names.removeAll(QString());
    writeRecord(backupsFolder, names);
}

} // namespace backgrounds
