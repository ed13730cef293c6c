#include "core/install/messenger_installer.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/install/background_backups.h"
#include "core/install/messenger_folders.h"
#include "core/install/skin_file_copy.h"
#include "core/preview/picture_decoder.h"
#include "files/regular_file.h"

#include <QFile>
#include <QFileInfo>

namespace {
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

MessengerInstaller::MessengerInstaller(RegistryReader& registry, QString backupsFolder)
    : registry_(registry), backupsFolder_(std::move(backupsFolder))
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
}

QStringList MessengerInstaller::windowClasses()
{
    return {QStringLiteral("msblwindowclass"), QStringLiteral("msnmsblclass"),
            QStringLiteral("msblclass")};
}
