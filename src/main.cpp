#include "app/form1.h"
#include "platform/platform.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drapello"));
    QApplication::setOrganizationName(QStringLiteral("KorvaneSoftware"));

    Platform platform = Platform::system();
    if (!platform.instance->acquire()) {
        std::fputs("Drapello is already running.\n", stderr);
        return 0;
    }

    Form1 form1(platform);
    QApplication::setWindowIcon(form1.windowIcon());
    form1.setCommandLine(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
    form1.LoadDefaultLanguage();
    form1.showMain();
    return app.exec();
}
