#include "app/command_line.h"
#include "app/form1.h"
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "install/backgrounds.h"
#include "install/mdl_registry.h"
#include "install/skin_file.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

namespace {

// Messenger's top-level windows, in the order they are asked to close.
const char* const MessengerWindowClasses[] = {"msblwindowclass", "msnmsblclass", "msblclass"};

// Larger files are no skins (the preview refuses them too).
constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;

// A failure that is not one of ours (a service throwing something else) is still only a
// failure of this command.
AppError asAppError(const std::exception& error)
{
    return AppError(51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()));
}

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError::pathFileAccess();
    return file.readAll();
}

// Only a picture may become Messenger's background: an error page saved as a skin would not be.
QByteArray readPicture(const QString& path)
{
    if (QFileInfo(path).size() > MaxPictureBytes)
        throw AppError::invalidPicture();
    QByteArray bytes = readWhole(path);
    PictureBox::decode(bytes);
    return bytes;
}

// The Messenger folders the registry names that exist, in lookup order. Doing nothing and
// calling it a success would leave the user wondering, so finding none is a failure.
QStringList messengerFolders(RegistryReader& registry)
{
    QStringList folders;
    for (const QString& valuePath : messengerValuePaths()) {
        const QString folder = GetMessengerFolder(registry, valuePath);
        if (!folder.isEmpty() && QFileInfo(folder + QLatin1Char('/')).isDir())
            folders << folder;
    }
    if (folders.isEmpty()) {
        qWarning("Messenger's folder was not found: no InstallationDirectory value in %s names "
                 "an existing folder",
                 qUtf8Printable(registry.whereSearched()));
        throw AppError::messengerNotFound();
    }
    return folders;
}

} // namespace

QString Form1::backupsFolder() const
{
    return platform_.dataFolder.isEmpty() ? QString()
                                          : platform_.dataFolder + QStringLiteral("/backups");
}

void Form1::changeskin(const QString& setskinfile)
{
    try {
        if (!isOrdinaryFile(setskinfile))
            return;
        const QByteArray picture = readPicture(setskinfile);
        for (const QString& folder : messengerFolders(*platform().registry)) {
            const QString target = backgrounds::installTarget(folder);
            // The background being replaced may be the user's own; keep it unless it is this
            // very picture.
            if (isOrdinaryFile(target) && readWhole(target) != picture)
                backgrounds::keep(target, folder, backupsFolder());
            copySkinFile(setskinfile, target);
        }
        closemsn();
        setStatus(lang.MsgSkinInstalled());
    } catch (const AppError& error) {
        commonError(error);
    } catch (const std::exception& error) {
        commonError(asAppError(error));
    }
}

void Form1::SetSkin_Click()
{
    // Keys pressed just before: the highlighted skin is previewed first, and installed only
    // when that succeeds.
    if (TV1->takePendingMove()) {
        TV1_NodeClick(TV1->currentItem());
        if (!SetSkin->isEnabled())
            return;
    }
    if (!skinFile.isEmpty()) {
        changeskin(skinFile);
        skinFile.clear();
    } else {
        changeskin(cacheFolder() + QStringLiteral("/temp.dat"));
    }
}

void Form1::skin_Click()
{
    SetSkin_Click();
}

void Form1::deleteskins_Click()
{
    try {
        for (const QString& folder : messengerFolders(*platform().registry)) {
            for (const QString& background : backgrounds::existingIn(folder)) {
                if (!isOrdinaryFile(background))
                    continue;
                backgrounds::keep(background, folder, backupsFolder());
                deleteSkinFile(background);
            }
        }
        closemsn();
        setStatus(lang.MsgBackgroundRemoved());
    } catch (const AppError& error) {
        commonError(error);
    } catch (const std::exception& error) {
        commonError(asAppError(error));
    }
}

void Form1::manualskin_Click()
{
    try {
        const QString chosen =
            platform().dialogs->openFile(this, QStringLiteral("GIF-files (*.gif)|*.gif;"));
        if (chosen.isEmpty())
            return;
        scrSkin->loadPicture(chosen);
        changeskin(chosen);
        skinFile = chosen;
        enableInstall();
    } catch (const AppError& error) {
        // Unlike the install, a failed pick leaves the loading timer alone.
        setStatus(errorLine(lang.MsgErrorPrefix(), error));
    } catch (const std::exception& error) {
        setStatus(errorLine(lang.MsgErrorPrefix(), asAppError(error)));
    }
}

void Form1::closemsn()
{
    // Events queued for this program run here, and again after each class.
    QCoreApplication::processEvents();
    const CloseRound round(*platform().windows);
    for (const char* windowClass : MessengerWindowClasses) {
        platform().windows->closeWindowOfClass(QString::fromLatin1(windowClass));
        QCoreApplication::processEvents();
    }
}
