#include "app/drapello_application.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    DrapelloApplication::prepare();
    DrapelloApplication drapello(systemServices());
    if (!drapello.start(QApplication::arguments().mid(1).join(QLatin1Char(' '))))
        return 0;
    return app.exec();
}
