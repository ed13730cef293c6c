#include "app/form1.h"
#include "app/keyed_tree.h"
#include "catalogue/cache_files.h"
#include "catalogue/list_format.h"
#include "platform/platform.h"

#include <QTimer>

namespace {
const QString RootKey = QStringLiteral("voruzide");
}

// One pass over the whole catalogue: bring the lists into Cache (or take the copies there) and
// fill the tree below the root. Every way out stops the timer.
void Form1::loading_Timer()
{
    try {
        // A missing list or the server's "not found" ends the pass with a message of its own.
        auto endPass = [this](const QString& status) {
            setStatus(status);
            loading->stop();
            clear();
        };
        const QString cache = cacheFolder();
        cachefiles::ensureFolder(cache);
        // A server that is down costs one wait; the cached copies fill the tree meanwhile.
        const FetchRun run(*platform_.fetcher);

        const QString listCopy = cache + QStringLiteral("/voruzide.tmp");
        if (!useCache)
            downloadfile(baseUrl + QStringLiteral("voruzide.txt"), listCopy,
                         lang.MsgListDownloaded());
        add(1);
        if (!cachefiles::exists(listCopy))
            return endPass(lang.MsgListMissing());
        const QString categoryText = cachefiles::readList(listCopy);
        if (listformat::isNotFoundMarker(categoryText))
            return endPass(QStringLiteral("Error 404: File Not Found"));
        add(1);
        const QStringList categories = listformat::splitList(categoryText);

        for (const QString& name : categories) {
            if (TV1->nodeCount() >= listformat::MaxTreeNodes)
                throw AppError::overflow();
            const QString categoryKey = name + cachefiles::timeOfDayText();
            // New nodes are collapsed: laying out thousands of visible rows at every repaint
            // during the downloads would cost far more than the fill.
            TV1->addNode(RootKey, categoryKey, QLatin1Char(' ') + name);
            add(1);
            // The name becomes a file name: it must not lead anywhere but into Cache.
            listformat::requireSafeCategoryName(name);
            const QString copy = cache + QLatin1Char('/') + name + QStringLiteral(".tmp");
            if (!useCache)
                downloadfile(baseUrl + name + QStringLiteral(".txt"), copy,
                             lang.MsgListDownloaded());
            add(1);
            if (!cachefiles::exists(copy))
                return endPass(lang.MsgListMissing());
            const QString skinText = cachefiles::readList(copy);
            add(1);
            const QStringList skins = listformat::splitList(skinText);
            if (TV1->nodeCount() + skins.size() > listformat::MaxTreeNodes)
                throw AppError::overflow();
            // All of a category's skins in one insertion; the bar moves as if they came one
            // by one (nothing is painted in between).
            const int before = TV1->nodeCount();
            try {
                TV1->addLeaves(categoryKey, skins);
            } catch (const AppError&) {
                for (int i = before; i < TV1->nodeCount(); ++i)
                    add(1);
                throw;
            }
            for (qsizetype i = 0; i < skins.size(); ++i)
                add(1);
        }
        clear();
        loading->stop();
    } catch (const AppError& error) {
        commonError(error);
    }
}
