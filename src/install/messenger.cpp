#include "app/command_line.h"
#include "app/form1.h"
#include "app/picture_box.h"
#include "install/mdl_registry.h"
#include "install/skin_file.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// Messenger's top-level windows, in the order they are asked to close.
const char* const MessengerWindowClasses[] = {"msblwindowclass", "msnmsblclass", "msblclass"};

QString lvbackIn(const QString& folder)
{
    return folder + QLatin1Char('/') + QString::fromLatin1(lvbackName);
}

// A failure that is not one of ours (a service throwing something else) is still only a
// failure of this command.
AppError asAppError(const std::exception& error)
{
    return AppError(51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()));
}

} // namespace

void Form1::changeskin(const QString& setskinfile)
{
    try {
        if (!isOrdinaryFile(setskinfile))
            return;
        for (const QString& valuePath : messengerValuePaths()) {
            const QString folder = GetMessengerFolder(*platform().registry, valuePath);
            if (!folder.isEmpty() && QFileInfo(folder + QLatin1Char('/')).isDir())
                copySkinFile(setskinfile, lvbackIn(folder));
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
        for (const QString& valuePath : messengerValuePaths()) {
            const QString folder = GetMessengerFolder(*platform().registry, valuePath);
            if (!folder.isEmpty() && isOrdinaryFile(lvbackIn(folder)))
                deleteSkinFile(lvbackIn(folder));
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
