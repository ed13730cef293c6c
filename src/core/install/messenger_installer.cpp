#include "core/install/messenger_installer.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/install/background_backups.h"
#include "core/install/messenger_folders.h"
#include "core/install/skin_file_copy.h"
#include "core/preview/picture_decoder.h"
#include "core/services/window_service.h"
#include "files/regular_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
// Messenger's top-level windows, in the order they are asked to close.
const char* const MessengerWindowClasses[] = {"msblwindowclass", "msnmsblclass", "msblclass"};

// Whether path is a regular file holding exactly bytes; reads one byte past them at most.
bool holds(const QString& path, const QByteArray& bytes)
{
    QFile file;
    return openRegularFile(file, path) && file.read(bytes.size() + 1) == bytes;
}

// A folder under the name is none of Messenger's files and stays; anything else goes.
bool removable(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymLink() || !info.isDir();
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
        const QStringList found = backgrounds::existingIn(folder);
        // A background being replaced may be the user's own; keep it unless it is this very
        // picture. A link's target is read for that, never written.
        for (const QString& background : found) {
            if (isOrdinaryFile(background) && !holds(background, picture))
                backgrounds::keep(background, folder, backupsFolder_);
        }
        copySkinFile(pictureFile, target);
        // Wine shows whichever name it finds first: one background per folder, the new one.
        for (const QString& background : found) {
            if (background != target && removable(background))
                deleteSkinFile(background);
        }
    }
    closeMessenger();
    return true;
}

void MessengerInstaller::remove()
{
    for (const QString& folder : MessengerFolders(registry_).existing()) {
        for (const QString& background : backgrounds::existingIn(folder)) {
            if (!removable(background))
                continue;
            if (isOrdinaryFile(background))
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
