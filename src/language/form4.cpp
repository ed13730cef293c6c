#include "language/form4.h"

#include "app/form1.h"

Form4::Form4(Form1& owner) : QDialog(&owner), owner_(owner)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Choose your language / Kies je taal"));
}
