#include "core/install/messenger_installer.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/install/background_backups.h"
#include "core/install/messenger_folders.h"
#include "core/install/skin_file_copy.h"
#include "core/preview/picture_decoder.h"
#include "core/services/window_service.h"

#include <QCoreApplication>
#include <QFile>

namespace {
// Messenger's top-level windows, in the order they are asked to close.
const char* const MessengerWindowClasses[] = {"msblwindowclass", "msnmsblclass", "msblclass"};

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError::pathFileAccess();
    return file.readAll();
}
} // namespace

MessengerInstaller::MessengerInstaller(RegistryReader& registry, WindowService& windows,
                                       QString backupsFolder)
    : registry_(registry), windows_(windows), backupsFolder_(std::move(backupsFolder))
{
}

bool MessengerInstaller::install(const QString& pictureFile)
{
    if (!isOrdinaryFile(pictureFile))
        return false;
    // Only a picture may become Messenger's background: an error page saved as a skin would not.
    const QByteArray picture = PictureDecoder::readFile(pictureFile).bytes;
    for (const QString& folder : MessengerFolders(registry_).existing()) {
        const QString target = backgrounds::installTarget(folder);
        // The background being replaced may be the user's own; keep it unless it is this very
        // picture.
        if (isOrdinaryFile(target) && readWhole(target) != picture)
            backgrounds::keep(target, folder, backupsFolder_);
        copySkinFile(pictureFile, target);
    }
    closeMessenger();
    return true;
}

void MessengerInstaller::remove()
{
    for (const QString& folder : MessengerFolders(registry_).existing()) {
        for (const QString& background : backgrounds::existingIn(folder)) {
            if (!isOrdinaryFile(background))
                continue;
            backgrounds::keep(background, folder, backupsFolder_);
            deleteSkinFile(background);
        }
    }
    closeMessenger();
}

void MessengerInstaller::closeMessenger()
{
    // Events queued for this program run here, and again after each class.
    QCoreApplication::processEvents();
    const CloseRound round(windows_);
    for (const char* windowClass : MessengerWindowClasses) {
        windows_.closeWindowOfClass(QString::fromLatin1(windowClass));
        QCoreApplication::processEvents();
    }
}
