#include "app/form1.h"
#include "app/keyed_tree.h"

#include <QTimer>

// Throws the tree and the list copies away; the next tick loads everything from the server.
// A failing tree operation is left to the caller's handler.
void Form1::update_Click()
{
    TV1->clearNodes();
    TV1->addNode(QString(), QStringLiteral("voruzide"), QStringLiteral(" VOR Uzide"));
    expandAll();
    FlushCache();
    useCache = false;
    loading->start();
}
