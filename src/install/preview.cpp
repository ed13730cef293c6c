#include "app/form1.h"
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "catalogue/cache_files.h"
#include "install/skin_url.h"

#include <QAction>
#include <QFile>
#include <QPushButton>

// A click on a skin downloads its picture into Cache/temp.dat and shows it. What can be
// installed is always what is shown: a click on the root or a category, or a preview that
// fails, leaves the placeholder and nothing to install.
void Form1::TV1_NodeClick(QTreeWidgetItem* node)
{
    try {
        skinFile.clear();
        const QString cache = cacheFolder();
        cachefiles::ensureFolder(cache);
        if (!node)
            throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
        const QString text = node->text(0);
        if (text.startsWith(QLatin1Char(' '))) {
            dropPreview();
            return;
        }
        setStatus(lang.MsgPreparing());
        add(10);
        QTreeWidgetItem* category = node->parent();
        if (!category)
            throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
        const QString picture = cache + QStringLiteral("/temp.dat");
        const bool arrived = downloadfile(skinPictureUrl(baseUrl, category->text(0), text), picture,
                                          lang.MsgSkinDownloaded());
        add(10);
        // The download's message, or the error line of a body that is no picture, stays.
        if (!arrived || !showPreview(picture)) {
            dropPreview();
            clear();
            return;
        }
        add(10);
        setStatus(lang.MsgLoaded());
        clear();
        enableInstall();
    } catch (...) {
        dropPreview();
        clear();
        setStatus(lang.MsgDownloadFailed());
    }
}

bool Form1::showPreview(const QString& path)
{
    try {
        scrSkin->loadPicture(path);
        return true;
    } catch (const AppError& error) {
        commonError(error);
        return false;
    }
}

void Form1::dropPreview()
{
    scrSkin->showImage(QImage(QStringLiteral(":/drapello/placeholder.jpg")));
    QFile::remove(cacheFolder() + QStringLiteral("/temp.dat"));
    SetSkin->setEnabled(false);
    menu.skin->setEnabled(false);
}
