#include "dialogs/form3.h"

#include "app/form1.h"

Form3::Form3(Form1& owner) : QDialog(&owner), owner_(owner)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About Drapello"));
}
