#include "core/preview/picture_decoder.h"

#include "core/app_error.h"
#include "files/regular_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {
// Every frame of a GIF is drawn onto a whole canvas, so frames x canvas pixels is what playing it
// once costs, and a file of a few KB can announce hundreds of 5000 x 5000 frames. A real skin is
// the size of Messenger's list with at most a few hundred frames: 2^27 pixels is 170 frames of
// 1024 x 768; 10,000 frames play for minutes.
constexpr int MaxGifFrames = 10000;
constexpr qint64 MaxGifFramePixels = qint64(1) << 27;

// Reads the GIF's structure without decoding pixels: the logical screen and each frame's place
// and size. Throws 481 when the frames, or the frames times their canvas, pass the bounds. A
// structure that ends early or goes wrong is left for the decoder to judge.
void checkGifFrames(const QByteArray& gif)
{
    const auto byte = [&gif](qsizetype at) { return static_cast<quint8>(gif.at(at)); };
    const auto word = [&](qsizetype at) { return qint64(byte(at) | byte(at + 1) << 8); };
    const auto colourTable = [&](qsizetype flags) {
        return byte(flags) & 0x80 ? 3 * (qsizetype(2) << (byte(flags) & 7)) : 0;
    };
    // Data sub-blocks up to their empty terminator; returns where the next block begins.
    const auto skipSubBlocks = [&](qsizetype at) {
        while (at < gif.size() && byte(at) != 0)
            at += 1 + byte(at);
        return at + 1;
    };
    if (gif.size() < 13)
        return;
    qint64 width = word(6);
    qint64 height = word(8);
    qint64 frames = 0;
    qsizetype at = 13 + colourTable(10);
    while (at < gif.size()) {
        const quint8 block = byte(at);
        if (block == 0x21 && at + 1 < gif.size()) {
            at = skipSubBlocks(at + 2);
        } else if (block == 0x2C && at + 10 < gif.size()) {
            width = qMax(width, word(at + 1) + word(at + 5));
            height = qMax(height, word(at + 3) + word(at + 7));
            ++frames;
            if (frames > MaxGifFrames || frames * width * height > MaxGifFramePixels)
                throw AppError::invalidPicture();
            at = skipSubBlocks(at + 11 + colourTable(at + 9));
        } else {
            return; // the trailer, or something the decoder will refuse or stop at
        }
    }
}
} // namespace

QByteArray PictureDecoder::formatOf(const QByteArray& bytes)
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

Picture PictureDecoder::decode(const QByteArray& bytes)
{
    Picture result;
    result.bytes = bytes;
    result.format = formatOf(bytes);
    if (result.format.isEmpty())
        throw AppError::invalidPicture();
    if (result.format == "gif")
        checkGifFrames(bytes);
    QBuffer probe;
    probe.setData(bytes);
    probe.open(QIODevice::ReadOnly);
    QImageReader reader(&probe, result.format);
    result.first = reader.read();
    if (result.first.isNull())
        throw AppError::invalidPicture();
    result.frames = qMax(1, reader.imageCount());
    result.animated = reader.supportsAnimation() && result.frames > 1;
    return result;
}

namespace {
// The whole file, within the size a picture may have.
QByteArray readPictureFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw AppError::fileNotFound();
    // A link to /dev/zero claims no size and never ends.
    QFile file;
    if (!openRegularFile(file, path))
        throw AppError::pathFileAccess();
    if (file.size() > PictureDecoder::MaxFileBytes)
        throw AppError::invalidPicture();
    // One byte past the limit: the file may have grown since.
    const QByteArray bytes = file.read(PictureDecoder::MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw AppError::pathFileAccess();
    if (bytes.size() > PictureDecoder::MaxFileBytes)
        throw AppError::invalidPicture();
    return bytes;
}
} // namespace

Picture PictureDecoder::readFile(const QString& path)
{
    return decode(readPictureFile(path));
}

QImage PictureDecoder::readThumbnail(const QString& path, int side)
{
    const QByteArray bytes = readPictureFile(path);
    const QByteArray format = formatOf(bytes);
    if (format.isEmpty())
        throw AppError::invalidPicture();
    if (format == "gif")
        checkGifFrames(bytes);
    QBuffer probe;
    probe.setData(bytes);
    probe.open(QIODevice::ReadOnly);
    QImageReader reader(&probe, format);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > MaxThumbnailSourcePixels)
        throw AppError::invalidPicture();
    // Only the first frame: a thumbnail does not play.
    QImage first = reader.read();
    if (first.isNull())
        throw AppError::invalidPicture();
    if (first.width() > side || first.height() > side)
        first = first.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return first;
}
