#include "app/drapello_application.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const QString arguments = argumentText(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    DrapelloApplication::prepare();
    DrapelloApplication drapello(systemServices());
    if (!drapello.start(arguments))
        return 0;
    return app.exec();
}
