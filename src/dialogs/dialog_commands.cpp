#include "app/form1.h"
#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/website.h"
#include "platform/platform.h"

Form2* Form1::form2()
{
    if (!form2_)
        form2_ = new Form2(*this);
    return form2_;
}

Form3* Form1::form3()
{
    if (!form3_)
        form3_ = new Form3(*this);
    return form3_;
}

void Form1::settings_Click()
{
    form2()->exec();
}

void Form1::about_Click()
{
    form3()->exec();
}

void Form1::visit_Click()
{
    bezoek(makerSiteUrl());
}

void Form1::bezoek(const QString& site)
{
    // Whatever the desktop says (no browser, no network), the program carries on.
    try {
        platform_.shell->open(this, site);
    } catch (...) {
    }
}
