#include "app/form1.h"

// Previewing and installing come with their own changes.
void Form1::TV1_NodeClick(QTreeWidgetItem*) {}
void Form1::showPreview(const QString&) {}
void Form1::changeskin(const QString&) {}
void Form1::SetSkin_Click() {}
void Form1::skin_Click() {}
void Form1::deleteskins_Click() {}
void Form1::manualskin_Click() {}
void Form1::closemsn() {}
void Form1::FlushCache() {}
