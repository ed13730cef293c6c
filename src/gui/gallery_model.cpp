#include "gui/gallery_model.h"

#include <QFont>
#include <QPainter>

namespace {
// In kibibytes: a thumbnail is at most 36 of them.
constexpr int ThumbnailMemoryKiB = 48 * 1024;

QPixmap emptyFrame(bool failed)
{
    QPixmap frame(ThumbnailLoader::Side, ThumbnailLoader::Side);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setPen(QColor(160, 160, 160));
    painter.setBrush(QColor(failed ? 236 : 246, failed ? 236 : 246, failed ? 236 : 246));
    painter.drawRect(frame.rect().adjusted(8, 8, -9, -9));
    if (failed) { // a crossed frame: there is no picture to show
        painter.drawLine(QPoint(8, 8), QPoint(frame.width() - 9, frame.height() - 9));
        painter.drawLine(QPoint(8, frame.height() - 9), QPoint(frame.width() - 9, 8));
    }
    return frame;
}
} // namespace

GalleryModel::GalleryModel(const CatalogueNames& names, QObject* parent)
    : QAbstractListModel(parent), names_(names), waitingPicture_(emptyFrame(false)),
      failedPicture_(emptyFrame(true))
{
    thumbnails_.setMaxCost(ThumbnailMemoryKiB);
}

void GalleryModel::reset(QList<SkinRef> rows, int category)
{
    beginResetModel();
    rows_ = std::move(rows);
    category_ = category;
    endResetModel();
}

void GalleryModel::showCategory(int category)
{
    QList<SkinRef> rows;
    if (category >= 0 && category < names_.categories().size()) {
        const qsizetype count = names_.categories().at(category).skins.size();
        rows.reserve(count);
        for (int skin = 0; skin < count; ++skin)
            rows.append({category, skin});
    } else {
        category = -1;
    }
    reset(std::move(rows), category);
}

void GalleryModel::showFound(const QList<SkinRef>& found)
{
    reset(found, -1);
}

void GalleryModel::clear()
{
    reset({}, -1);
    thumbnails_.clear();
    failed_.clear();
}

int GalleryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

SkinPicture GalleryModel::pictureAt(int row) const
{
    const SkinRef skin = rows_.at(row);
    return {names_.categories().at(skin.category).text, names_.name(skin)};
}

bool GalleryModel::waiting(int row) const
{
    const QString key = ThumbnailLoader::keyOf(pictureAt(row));
    return !thumbnails_.contains(key) && !failed_.contains(key);
}

QVariant GalleryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const SkinPicture picture = pictureAt(index.row());
    const QString category = picture.categoryText.trimmed();
    switch (role) {
    case Qt::DisplayRole: {
        QString text = picture.name;
        if (category_ < 0)
            text += QLatin1Char('\n') + category;
        if (picture.name == installedName_ && category == installedCategory_)
            text += QLatin1Char('\n') + installedCaption_;
        return text;
    }
    case Qt::FontRole:
        if (picture.name == installedName_ && category == installedCategory_) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ToolTipRole:
        return picture.name + QStringLiteral(" (") + category + QLatin1Char(')');
    case Qt::DecorationRole: {
        const QString key = ThumbnailLoader::keyOf(picture);
        if (const QPixmap* thumbnail = thumbnails_.object(key))
            return *thumbnail;
        return failed_.contains(key) ? failedPicture_ : waitingPicture_;
    }
    default:
        return {};
    }
}

// The view repaints what it shows: no search for the row, which would need a map of every
// row's name, rebuilt at each keystroke of a find.
void GalleryModel::changed()
{
    if (!rows_.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(rows_.size()) - 1), {Qt::DecorationRole});
}

void GalleryModel::setThumbnail(const QString& key, const QImage& thumbnail)
{
    // Laid on a frame of the full size: every cell lines up, whatever the picture's shape.
    QPixmap framed(ThumbnailLoader::Side, ThumbnailLoader::Side);
    framed.fill(Qt::transparent);
    QPainter painter(&framed);
    painter.drawImage((framed.width() - thumbnail.width()) / 2,
                      (framed.height() - thumbnail.height()) / 2, thumbnail);
    painter.end();
    thumbnails_.insert(key, new QPixmap(framed), int(framed.width() * framed.height() * 4 / 1024));
    failed_.remove(key);
    changed();
}

void GalleryModel::setFailed(const QString& key)
{
    failed_.insert(key);
    changed();
}

void GalleryModel::setInstalled(const QString& category, const QString& name,
                                const QString& caption)
{
    installedCategory_ = category;
    installedName_ = name;
    installedCaption_ = caption;
    if (!rows_.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(rows_.size()) - 1), {Qt::DisplayRole, Qt::FontRole});
}
