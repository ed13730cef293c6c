#pragma once

#include "core/catalogue/catalogue_names.h"
#include "core/preview/thumbnail_loader.h"

#include <QAbstractListModel>
#include <QCache>
#include <QPixmap>
#include <QSet>

// The skins the gallery shows, a category's or those found, each with its thumbnail once it has
// come. Holds places in the catalogue, not copies of names; only the thumbnails seen lately
// stay in memory.
class GalleryModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit GalleryModel(const CatalogueNames& names, QObject* parent = nullptr);

    // A category's skins, or none for -1.
    void showCategory(int category);
    // Skins found across categories: each shows its category too.
    void showFound(const QList<SkinRef>& found);
    int shownCategory() const { return category_; }
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    SkinRef skinAt(int row) const { return rows_.value(row); }
    SkinPicture pictureAt(int row) const;
    // Whether the row still waits for its thumbnail.
    bool waiting(int row) const;
    void setThumbnail(const QString& key, const QImage& thumbnail);
    void setFailed(const QString& key);
    // The skin installed now (category as the tree shows it, trimmed), marked with caption.
    void setInstalled(const QString& category, const QString& name, const QString& caption);

private:
    void reset(QList<SkinRef> rows, int category);
    void changed();

    const CatalogueNames& names_;
    QList<SkinRef> rows_;
    int category_ = -1;
    // A category of thousands would hold hundreds of megabytes of pictures: the most recent
    // are kept, the others are read back from the folder when they are seen again.
    QCache<QString, QPixmap> thumbnails_;
    QSet<QString> failed_;
    QPixmap waitingPicture_;
    QPixmap failedPicture_;
    QString installedCategory_;
    QString installedName_;
    QString installedCaption_;
};
