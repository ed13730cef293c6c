#include "app/picture_box.h"

#include "app/app_error.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMovie>
#include <QPixmap>

namespace {
// Larger files are not skins; refusing them keeps a hostile server from eating memory.
constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;
} // namespace

PictureBox::PictureBox(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

QByteArray PictureBox::formatOf(const QByteArray& bytes)
{
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return QByteArrayLiteral("gif");
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return QByteArrayLiteral("jpeg");
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return QByteArrayLiteral("png");
    if (bytes.startsWith("BM") && bytes.size() >= 26)
        return QByteArrayLiteral("bmp");
    return {};
}

QSize PictureBox::fitted(QSize size) const
{
    const QSize room = contentsRect().size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room, Qt::KeepAspectRatio);
    return size;
}

void PictureBox::dropMovie()
{
    if (movie_) {
        movie_->stop();
        delete movie_;
        movie_ = nullptr;
    }
    delete movieData_;
    movieData_ = nullptr;
}

void PictureBox::showImage(const QImage& image)
{
    dropMovie();
    image_ = image;
    const QSize size = fitted(image.size());
    setPixmap(QPixmap::fromImage(size == image.size()
                                     ? image
                                     : image.scaled(size, Qt::KeepAspectRatio,
                                                    Qt::SmoothTransformation)));
}

PictureBox::Decoded PictureBox::decode(const QByteArray& bytes)
{
    Decoded result;
    result.format = formatOf(bytes);
    if (result.format.isEmpty())
        throw AppError::invalidPicture();
    QBuffer probe;
    probe.setData(bytes);
    probe.open(QIODevice::ReadOnly);
    QImageReader reader(&probe, result.format);
    result.first = reader.read();
    if (result.first.isNull())
        throw AppError::invalidPicture();
    result.animated = reader.supportsAnimation() && reader.imageCount() > 1;
    return result;
}

void PictureBox::loadPicture(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw AppError::fileNotFound();
    if (info.size() > MaxPictureBytes)
        throw AppError::invalidPicture();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError::pathFileAccess();
    const QByteArray bytes = file.readAll();
    file.close();

    const Decoded picture = decode(bytes);
    if (!picture.animated) {
        showImage(picture.first);
        return;
    }
    dropMovie();
    image_ = picture.first;
    movieData_ = new QBuffer(this);
    movieData_->setData(bytes);
    movieData_->open(QIODevice::ReadOnly);
    movie_ = new QMovie(movieData_, picture.format, this);
    // Frames are decoded as they are shown: a small file can hold thousands of full-size frames.
    movie_->setCacheMode(QMovie::CacheNone);
    movie_->setScaledSize(fitted(picture.first.size()));
    setMovie(movie_);
    movie_->start();
}
