#include "app/form1.h"

// The preview comes with the catalogue change.
void Form1::TV1_NodeClick(QTreeWidgetItem*) {}
void Form1::showPreview(const QString&) {}
