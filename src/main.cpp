#include "app/form1.h"
#include "app/interface_look.h"
#include "language/form4.h"
#include "platform/instance_channel.h"
#include "platform/platform.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drapello"));
    QApplication::setOrganizationName(QStringLiteral("KorvaneSoftware"));
    useInterfaceFont();
    // The program ends when the main window unloads, not when the chooser closes before the
    // main window was ever shown.
    QApplication::setQuitOnLastWindowClosed(false);

    Platform platform = Platform::system();
    InstanceChannel channel(platform.instanceChannel);
    if (!platform.instance->acquire()) {
        channel.knock(); // the copy the user already has comes to the front
        std::fputs("Drapello is already running.\n", stderr);
        return 0;
    }

    Form1 form1(platform);
    QApplication::setWindowIcon(form1.windowIcon());
    form1.setCommandLine(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
    // Queued: the unload finishes (and a command that asked for it returns) before the loop ends.
    QObject::connect(&form1, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    channel.listen([&form1] { form1.bringToFront(); });

    // The chooser is the start-up window: its load step applies the stored language and shows
    // either itself or the main window.
    auto* form4 = new Form4(form1);
    form1.setChooser(form4);
    form4->Form_Load();
    return app.exec();
}
