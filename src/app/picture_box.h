#pragma once

#include <QByteArray>
#include <QImage>
#include <QLabel>

class QBuffer;
class QMovie;

// The preview picture: shows a still or animated picture, recognised by its content, scaled down
// (never up) to fit the box.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Loads the whole file and shows it. Throws AppError 53 when there is no such file, 481 when
    // it is not a picture we can show, 75 when it cannot be read. The picture shown before stays
    // on failure.
    void loadPicture(const QString& path);
    void showImage(const QImage& image);

    bool isAnimated() const { return movie_ != nullptr; }
    // The picture as loaded (first frame of an animation), for checks and tests.
    const QImage& currentImage() const { return image_; }

    // "gif", "jpeg", "png", "bmp", or empty when the bytes are none of these.
    static QByteArray formatOf(const QByteArray& bytes);

    struct Decoded {
        QByteArray format;
        QImage first; // the picture, or an animation's first frame
        bool animated = false;
    };
    // Recognises and decodes a picture file's bytes. Throws AppError 481 when they are none we
    // can show.
    static Decoded decode(const QByteArray& bytes);

private:
    void dropMovie();
    QSize fitted(QSize size) const;

    QImage image_;
    QMovie* movie_ = nullptr;
    QBuffer* movieData_ = nullptr;
};
