#include "app/form1.h"
#include "app/keyed_tree.h"
#include "catalogue/cache_files.h"

#include <QTimer>

// Throws the tree away; the next tick loads everything from the server. The list copies are
// kept aside until that pass has loaded the new ones. A failing tree operation is left to the
// caller's handler.
void Form1::update_Click()
{
    TV1->clearNodes();
    TV1->addNode(QString(), QStringLiteral("voruzide"), QStringLiteral(" VOR Uzide"));
    expandAll();
    // Where they cannot be kept aside they stay in place, and each download replaces its copy
    // only when it succeeds.
    cachefiles::setAsideListCopies(cacheFolder());
    useCache = false;
    loading->start();
}
