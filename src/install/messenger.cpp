#include "app/form1.h"

// Installing comes with its own change.
void Form1::changeskin(const QString&) {}
void Form1::SetSkin_Click() {}
void Form1::skin_Click() {}
void Form1::deleteskins_Click() {}
void Form1::manualskin_Click() {}
void Form1::closemsn() {}
