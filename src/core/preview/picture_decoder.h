#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// A picture file's bytes, recognised and decoded. An empty one stands for "no picture".
struct Picture {
    QByteArray bytes;
    QByteArray format;
    QImage first; // the picture, or an animation's first frame
    bool animated = false;
    int frames = 1;

    bool isNull() const { return first.isNull(); }
};

// Recognises pictures by their content (GIF, JPEG, PNG, BMP) and decodes them within bounds.
class PictureDecoder {
public:
    // Larger files are not skins; refusing them keeps a hostile server from eating memory.
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;

    // "gif", "jpeg", "png", "bmp", or empty when the bytes are none of these.
    static QByteArray formatOf(const QByteArray& bytes);
    // Throws AppError 481 when the bytes are no picture we can show.
    static Picture decode(const QByteArray& bytes);
    // The whole file, decoded. Throws AppError 53 when there is no such file, 481 when it is no
    // picture we can show, 75 when it cannot be read or is no regular file (a FIFO, a device).
    static Picture readFile(const QString& path);
    // The file's first frame, scaled down to fit side x side, for a thumbnail. Thumbnails are
    // decoded several at a time, so the picture may have at most MaxThumbnailSourcePixels.
    // Throws as readFile does.
    static QImage readThumbnail(const QString& path, int side);

    static constexpr qint64 MaxThumbnailSourcePixels = qint64(1) << 25;
};
