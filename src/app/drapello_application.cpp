#include "app/drapello_application.h"

#include "core/command_line.h"
#include "core/skin_controller.h"
#include "gui/interface_look.h"
#include "gui/language_chooser_dialog.h"
#include "gui/main_window.h"
#include "gui/qt_dialog_service.h"
#include "platform/common/instance_channel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

DrapelloApplication::DrapelloApplication(Services services) : services_(std::move(services)) {}

DrapelloApplication::~DrapelloApplication() = default;

void DrapelloApplication::prepare()
{
    QApplication::setApplicationName(QStringLiteral("Drapello"));
    QApplication::setOrganizationName(QStringLiteral("KorvaneSoftware"));
    useInterfaceFont();
    // The program ends when the main window closes, not when the chooser closes before the
    // main window was ever shown.
    QApplication::setQuitOnLastWindowClosed(false);
}

bool DrapelloApplication::start(const QString& commandLine)
{
    channel_ = std::make_unique<InstanceChannel>(services_.instanceChannel);
    if (services_.instance && !services_.instance->acquire()) {
        // The copy the user already has comes to the front and is handed what this start was
        // given, with its folder (a relative path is this start's). One that holds the lock but
        // does not listen is starting or ending: a copy that is ending must not take this start
        // with it, so the lock is asked for again for a short while. Nothing else runs yet.
        QElapsedTimer waited;
        waited.start();
        bool acquired = false;
        const QByteArray message = InstanceMessage{QDir::currentPath(), commandLine}.encoded();
        while (!channel_->knock(message) && waited.elapsed() < 3000) {
            if ((acquired = services_.instance->acquire()))
                break;
            QThread::msleep(100);
        }
        if (!acquired) {
            std::fputs("Drapello is already running.\n", stderr);
            return false;
        }
    }
    // Message boxes belong to the main window, shown yet or not: a box that comes before it
    // (a language file at the first start) stays above it once it shows.
    auto dialogs = std::make_unique<QtDialogService>(
        [this]() -> QWidget* { return window_ ? window_.get() : QApplication::activeWindow(); });
    // Old backgrounds are picked from there by hand too.
    dialogs->setSidebarFolders({services_.backupsFolder()});
    services_.dialogs = std::move(dialogs);
    controller_ = std::make_unique<SkinController>(services_);
    window_ = std::make_unique<MainWindow>(*controller_);
    QApplication::setWindowIcon(window_->windowIcon());
    // Queued: the close finishes (and a command that asked for it returns) before the loop ends.
    QObject::connect(window_.get(), &MainWindow::closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // The chooser is the first window: the stored language is applied, then the main window
    // loads, and either the main window or (when no choice was ever confirmed) the chooser
    // shows.
    LanguageChooserDialog* chooser = window_->createChooser();
    controller_->language().loadStored();
    controller_->start(commandLine);
    if (controller_->settings().languageChosen())
        window_->showMain();
    else
        chooser->show();
    // Listening waits until the loading timer counts: a start that knocks meanwhile tries again.
    channel_->listen([this](const std::optional<InstanceMessage>& message) {
        window_->bringToFront();
        if (message)
            window_->openPicture(pictureNamedBy(message->arguments, message->folder));
    });
    return true;
}
