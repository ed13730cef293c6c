#include "gui/skin_preview_label.h"

#include "core/preview/picture_decoder.h"

#include <QBuffer>
#include <QMovie>
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
    const QSize size = fitted(image.size());
    setPixmap(QPixmap::fromImage(
        size == image.size() ? image
                             : image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void SkinPreviewLabel::showPicture(const Picture& picture)
{
    if (picture.isNull()) {
        showImage(QImage(QStringLiteral(":/drapello/placeholder.jpg")));
        return;
    }
    if (!picture.animated) {
        showImage(picture.first);
        return;
    }
    dropMovie();
    movieData_ = new QBuffer(this);
    movieData_->setData(picture.bytes);
    movieData_->open(QIODevice::ReadOnly);
    movie_ = new QMovie(movieData_, picture.format, this);
    // Frames are decoded as they are shown: a small file can hold thousands of full-size frames.
    movie_->setCacheMode(QMovie::CacheNone);
    movie_->setScaledSize(fitted(picture.first.size()));
    setMovie(movie_);
    movie_->start();
}
