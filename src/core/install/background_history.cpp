#include "core/install/background_history.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/install/background_backups.h"
#include "core/install/messenger_folders.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

BackgroundHistory::BackgroundHistory(RegistryReader& registry, QString backupsFolder)
    : registry_(registry), backupsFolder_(std::move(backupsFolder))
{
}

QList<BackgroundEntry> BackgroundHistory::entries() const
{
    QList<BackgroundEntry> installed;
    QStringList folders;
    try {
        folders = MessengerFolders(registry_).existing();
    } catch (const AppError&) {
        // No Messenger folder: nothing is installed, and the copies are still worth showing.
    }
    for (const QString& folder : folders) {
        const QStringList found = backgrounds::existingIn(folder);
        if (found.isEmpty() || !isOrdinaryFile(found.first()))
            continue;
        const QFileInfo info(found.first());
        installed << BackgroundEntry{info.filePath(), info.lastModified(),
                                     QFileInfo(folder).fileName(), true, false};
    }

    QList<BackgroundEntry> copies;
    if (!backupsFolder_.isEmpty()) {
        const QFileInfoList files =
            QDir(backupsFolder_)
                .entryInfoList({QStringLiteral("*.gif")}, QDir::Files | QDir::Readable,
                               QDir::Name | QDir::Reversed);
        for (const QFileInfo& file : files) {
            const auto name = backgrounds::parseCopyName(file.fileName());
            copies << BackgroundEntry{file.filePath(), name ? name->made : file.lastModified(),
                                      name ? name->messengerFolder : QString(), false,
                                      backgrounds::isOurs(backupsFolder_, file.fileName())};
        }
        std::stable_sort(
            copies.begin(), copies.end(),
            [](const BackgroundEntry& a, const BackgroundEntry& b) { return a.when > b.when; });
    }
    return installed + copies;
}
