#include "app/form1.h"
#include "language/form4.h"

Form4* Form1::chooser() const
{
    return chooser_;
}

void Form1::setChooser(Form4* form4)
{
    chooser_ = form4;
}

// Language files and the chooser come with their own change; until then the built-in texts stay.
void Form1::LoadLanguage(const QString&)
{
    LoadDefaultLanguage();
}

void Form1::language_Click() {}
