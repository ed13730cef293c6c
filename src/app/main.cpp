#include "app/drapello_application.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[])
{
    // The argument text is the program's alone: Qt sees none of it, so a picture named like one
    // of Qt's own options ("-reverse", "-style") is no option to Qt and is not taken away.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    DrapelloApplication::prepare();
    DrapelloApplication drapello(systemServices());
    if (!drapello.start(arguments.join(QLatin1Char(' '))))
        return 0;
    return app.exec();
}
