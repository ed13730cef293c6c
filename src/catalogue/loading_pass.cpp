#include "app/form1.h"
#include "app/keyed_tree.h"
#include "catalogue/cache_files.h"
#include "catalogue/list_format.h"
#include "platform/platform.h"

#include <QTimer>

namespace {
const QString RootKey = QStringLiteral("voruzide");

// Brings the lists into Cache (or takes the copies there) and fills the tree below the root.
// A quiet pass reads the copies only and shows nothing: no message, no step of the bar, and its
// first problem simply ends it. true when every list was loaded.
bool fillTree(Form1& form, bool download, bool quiet)
{
    auto step = [&form, quiet] {
        if (!quiet)
            form.add(1);
    };
    // A missing list or the server's "not found" ends the pass with a message of its own.
    auto endPass = [&form, quiet](const QString& status) {
        if (!quiet) {
            form.setStatus(status);
            form.loading->stop();
            form.clear();
        }
        return false;
    };
    KeyedTree& tree = *form.TV1;
    try {
        const QString cache = form.cacheFolder();
        cachefiles::ensureFolder(cache);
        // A server that is down costs one wait; the cached copies fill the tree meanwhile.
        const FetchRun run(*form.platform().fetcher);

        const QString listCopy = cache + QStringLiteral("/voruzide.tmp");
        if (download)
            form.downloadfile(form.baseUrl + QStringLiteral("voruzide.txt"), listCopy,
                              form.lang.MsgListDownloaded());
        step();
        if (!cachefiles::exists(listCopy))
            return endPass(form.lang.MsgListMissing());
        const QString categoryText = cachefiles::readList(listCopy);
        if (listformat::isNotFoundMarker(categoryText))
            return endPass(QStringLiteral("Error 404: File Not Found"));
        step();
        const QStringList categories = listformat::splitList(categoryText);

        for (const QString& name : categories) {
            if (tree.nodeCount() >= listformat::MaxTreeNodes)
                throw AppError::overflow();
            const QString categoryKey = name + cachefiles::timeOfDayText();
            // New nodes are collapsed: laying out thousands of visible rows at every repaint
            // during the downloads would cost far more than the fill.
            tree.addNode(RootKey, categoryKey, QLatin1Char(' ') + name);
            step();
            // The name becomes a file name: it must not lead anywhere but into Cache.
            listformat::requireSafeCategoryName(name);
            const QString copy = cache + QLatin1Char('/') + name + QStringLiteral(".tmp");
            if (download)
                form.downloadfile(form.baseUrl + name + QStringLiteral(".txt"), copy,
                                  form.lang.MsgListDownloaded());
            step();
            if (!cachefiles::exists(copy))
                return endPass(form.lang.MsgListMissing());
            const QString skinText = cachefiles::readList(copy);
            step();
            const QStringList skins = listformat::splitList(skinText);
            if (tree.nodeCount() + skins.size() > listformat::MaxTreeNodes)
                throw AppError::overflow();
            // All of a category's skins in one insertion; the bar moves as if they came one
            // by one (nothing is painted in between).
            const int before = tree.nodeCount();
            try {
                tree.addLeaves(categoryKey, skins);
            } catch (const AppError&) {
                for (int i = before; i < tree.nodeCount(); ++i)
                    step();
                throw;
            }
            for (qsizetype i = 0; i < skins.size(); ++i)
                step();
        }
        if (!quiet) {
            form.clear();
            form.loading->stop();
        }
        return true;
    } catch (const AppError& error) {
        if (!quiet)
            form.commonError(error);
    }
    return false;
}
} // namespace

// One pass over the whole catalogue. Every way out stops the timer. A refresh that fails puts
// back the list copies and the tree from before it; the status bar keeps saying what failed.
void Form1::loading_Timer()
{
    const QString cache = cacheFolder();
    bool refreshing = cachefiles::refreshPending(cache);
    if (refreshing && useCache) {
        // A refresh cut short (the program ended before its pass): only a pass that downloads
        // may finish it, so this one starts from the copies it kept.
        FlushCache();
        cachefiles::restoreListCopies(cache);
        refreshing = false;
    }
    const bool loaded = fillTree(*this, !useCache, false);
    if (!refreshing)
        return;
    if (loaded) {
        cachefiles::dropSetAsideCopies(cache);
        return;
    }
    FlushCache();
    cachefiles::restoreListCopies(cache);
    try {
        TV1->clearNodes();
        TV1->addNode(QString(), RootKey, QStringLiteral(" VOR Uzide"))->setExpanded(true);
    } catch (const AppError&) {
        return; // a fresh tree always takes its root
    }
    fillTree(*this, false, true);
}
