#include "app/form1.h"
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "catalogue/cache_files.h"
#include "install/skin_url.h"

// A click on a skin downloads its picture into Cache/temp.dat and shows it; a click on the root
// or a category (their texts begin with a blank) only empties skinFile.
void Form1::TV1_NodeClick(QTreeWidgetItem* node)
{
    try {
        skinFile.clear();
        const QString cache = cacheFolder();
        cachefiles::ensureFolder(cache);
        if (!node)
            throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
        const QString text = node->text(0);
        if (text.startsWith(QLatin1Char(' ')))
            return;
        enableInstall();
        setStatus(lang.MsgPreparing());
        add(10);
        QTreeWidgetItem* category = node->parent();
        if (!category)
            throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
        const QString picture = cache + QStringLiteral("/temp.dat");
        downloadfile(skinPictureUrl(baseUrl, category->text(0), text), picture,
                     lang.MsgSkinDownloaded());
        add(10);
        // Whatever the download did: an older temp.dat is shown, a missing one is reported.
        showPreview(picture);
        add(10);
        setStatus(lang.MsgLoaded());
        clear();
    } catch (...) {
        clear();
        setStatus(lang.MsgDownloadFailed());
    }
}

void Form1::showPreview(const QString& path)
{
    try {
        scrSkin->loadPicture(path);
    } catch (const AppError& error) {
        commonError(error);
    }
}
