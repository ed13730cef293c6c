#include "core/install/background_backups.h"

#include "core/app_error.h"
#include "core/install/messenger_folders.h"
#include "core/install/skin_file_copy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace backgrounds {

QStringList existingIn(const QString& folder)
{
    const QString name = QString::fromLatin1(MessengerFolders::BackgroundName);
    QStringList found;
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
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

void dropOldest(const QString& backupsFolder)
{
    // Names begin with the time, so name order is age order.
    const QStringList copies =
        QDir(backupsFolder).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + KeptBackups < copies.size(); ++i)
        QFile::remove(backupsFolder + QLatin1Char('/') + copies.at(i));
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
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = backupsFolder + QLatin1Char('/') + stem + QStringLiteral(" (%1).gif").arg(n);
    copySkinFile(background, copy);
    dropOldest(backupsFolder);
    return copy;
}

} // namespace backgrounds
