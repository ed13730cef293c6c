#include "gui/skin_preview_label.h"

#include "core/preview/picture_decoder.h"
#include "gui/interface_look.h"

#include <QBuffer>
#include <QMovie>
#include <QPainter>
#include <QPixmap>

SkinPreviewLabel::SkinPreviewLabel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

QSize SkinPreviewLabel::fitted(QSize size) const
{
    const QSize room = contentsRect().size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room, Qt::KeepAspectRatio);
    return size;
}

void SkinPreviewLabel::dropMovie()
{
    if (movie_) {
        movie_->stop();
        delete movie_;
        movie_ = nullptr;
    }
    delete movieData_;
    movieData_ = nullptr;
}

void SkinPreviewLabel::showImage(const QImage& image)
{
    dropMovie();
    image_ = image;
    const QSize size = fitted(image.size());
    setPixmap(QPixmap::fromImage(
        size == image.size() ? image
                             : image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void SkinPreviewLabel::setPlaceholderCaption(const QString& caption)
{
    placeholderCaption_ = caption;
    if (placeholderShown_)
        showPlaceholder();
}

void SkinPreviewLabel::showPlaceholder()
{
    placeholderShown_ = true;
    // Drawn when the label is first shown, not before: at start-up the window is built and the
    // loading timer armed before it shows, and this drawing (a picture to decode, the first
    // text to lay out) would delay both.
    if (!isVisible()) {
        dropMovie();
        image_ = QImage();
        clear();
        placeholderPending_ = true;
        return;
    }
    drawPlaceholder();
}

void SkinPreviewLabel::showEvent(QShowEvent* event)
{
    if (placeholderPending_)
        drawPlaceholder();
    QLabel::showEvent(event);
}

void SkinPreviewLabel::drawPlaceholder()
{
    placeholderPending_ = false;
    QImage placeholder = builtInPng(QStringLiteral(":/drapello/placeholder.png"));
    QPainter painter(&placeholder);
    QFont font = this->font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(0x1d, 0x3f, 0x72));
    // Below the little contact list, where the artwork leaves room for one line.
    painter.drawText(QRect(4, 220, placeholder.width() - 8, 18), Qt::AlignCenter,
                     placeholderCaption_);
    painter.end();
    showImage(placeholder);
}

void SkinPreviewLabel::showPicture(const Picture& picture)
{
    if (picture.isNull()) {
        showPlaceholder();
        return;
    }
    placeholderShown_ = false;
    placeholderPending_ = false;
    if (!picture.animated) {
        showImage(picture.first);
        return;
    }
    dropMovie();
    image_ = picture.first;
    movieData_ = new QBuffer(this);
    movieData_->setData(picture.bytes);
    movieData_->open(QIODevice::ReadOnly);
    movie_ = new QMovie(movieData_, picture.format, this);
    // Decoding every frame anew as it is shown keeps a core busy for as long as a large
    // animation plays, so the frames are kept once scaled to the preview, when they fit. A
    // small file can hold thousands of full-size frames: those are decoded as they are shown.
    const QSize shown = fitted(picture.first.size());
    constexpr qint64 MaxCachedBytes = 32 * 1024 * 1024;
    const qint64 cached = qint64(picture.frames) * shown.width() * shown.height() * 4;
    movie_->setCacheMode(cached <= MaxCachedBytes ? QMovie::CacheAll : QMovie::CacheNone);
    movie_->setScaledSize(shown);
    setMovie(movie_);
    movie_->start();
}
