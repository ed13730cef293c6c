#include "core/preview/thumbnail_loader.h"

#include "core/app_error.h"
#include "core/catalogue/skin_picture_url.h"
#include "core/preview/picture_decoder.h"
#include "files/safe_file.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QThread>

ThumbnailLoader::ThumbnailLoader(UrlFetcher& fetcher, QString folder, QObject* parent)
    : QObject(parent), fetcher_(fetcher), folder_(std::move(folder))
{
    // Two at most: scaling is quick, and the window's thread keeps a core of its own.
    pool_.setMaxThreadCount(qBound(1, QThread::idealThreadCount() - 1, 2));
    QStringList files = QDir(folder_).entryList({QStringLiteral("*.png")}, QDir::Files);
    if (files.size() > MaxKept) {
        // The oldest go, and a tenth more, so that not every opening has this to do.
        files = QDir(folder_).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Time);
        while (files.size() > MaxKept * 9 / 10)
            QFile::remove(folder_ + QLatin1Char('/') + files.takeLast());
    }
    kept_ = QSet<QString>(files.cbegin(), files.cend());
}

ThumbnailLoader::~ThumbnailLoader()
{
    stop();
    pool_.clear();
    pool_.waitForDone();
}

void ThumbnailLoader::setServer(const QString& baseUrl)
{
    if (baseUrl == baseUrl_)
        return;
    stop();
    baseUrl_ = baseUrl;
    failed_.clear();
}

QString ThumbnailLoader::keyOf(const SkinPicture& picture)
{
    return picture.categoryText + QChar(u'\0') + picture.name;
}

// Names from the server may hold anything a file name cannot: the file is named by a hash.
QString ThumbnailLoader::fileName(const SkinPicture& picture) const
{
    const QByteArray id = (baseUrl_ + QChar(u'\0') + keyOf(picture)).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".png");
}

QString ThumbnailLoader::thumbnailFile(const SkinPicture& picture) const
{
    return folder_ + QLatin1Char('/') + fileName(picture);
}

void ThumbnailLoader::want(const QList<SkinPicture>& pictures)
{
    wanted_ = pictures;
    wantedKeys_.clear();
    for (const SkinPicture& picture : pictures)
        wantedKeys_.insert(keyOf(picture));
    const QStringList running = fetching_.keys();
    for (const QString& key : running) {
        if (!wantedKeys_.contains(key))
            giveUp(key);
    }
    pump();
}

void ThumbnailLoader::setHeld(bool held)
{
    held_ = held;
    if (held) {
        const QStringList running = fetching_.keys();
        for (const QString& key : running)
            giveUp(key);
    }
    pump();
}

void ThumbnailLoader::stop()
{
    wanted_.clear();
    wantedKeys_.clear();
    const QStringList running = fetching_.keys();
    for (const QString& key : running)
        giveUp(key);
}

void ThumbnailLoader::giveUp(const QString& key)
{
    // Its finished(false) follows; the token no longer matches, so it is ignored.
    fetcher_.cancel(fetching_.take(key).id);
}

void ThumbnailLoader::pump()
{
    for (const SkinPicture& picture : std::as_const(wanted_)) {
        const bool canFetch = !held_ && fetching_.size() < MaxFetches;
        if (decoding_.size() >= MaxDecodes && !canFetch)
            return;
        const QString key = keyOf(picture);
        if (fetching_.contains(key) || decoding_.contains(key) || failed_.contains(key))
            continue;
        if (kept_.contains(fileName(picture))) {
            if (decoding_.size() < MaxDecodes)
                decode(key, picture, false);
        } else if (canFetch) {
            fetch(key, picture);
        }
    }
}

void ThumbnailLoader::fetch(const QString& key, const SkinPicture& picture)
{
    if (!QDir().mkpath(folder_)) {
        failed_.insert(key);
        Q_EMIT failed(key);
        return;
    }
    const quint64 token = ++tokens_;
    const QString download = thumbnailFile(picture) + QStringLiteral(".dat");
    const UrlFetcher::FetchId id =
        fetcher_.fetch(skinPictureUrl(baseUrl_, picture.categoryText, picture.name), download,
                       PictureDecoder::MaxFileBytes, this,
                       [this, key, token](bool arrived) { fetched(key, token, arrived); });
    fetching_.insert(key, {token, id});
}

void ThumbnailLoader::fetched(const QString& key, quint64 token, bool arrived)
{
    const auto found = fetching_.constFind(key);
    if (found == fetching_.cend() || found->token != token)
        return; // given up
    fetching_.erase(found);
    const qsizetype at = key.indexOf(QChar(u'\0'));
    const SkinPicture picture{key.left(at), key.mid(at + 1)};
    if (arrived) {
        decode(key, picture, true);
    } else {
        failed_.insert(key);
        Q_EMIT failed(key);
    }
    pump();
}

void ThumbnailLoader::decode(const QString& key, const SkinPicture& picture, bool fromServer)
{
    decoding_.insert(key);
    const QString file = thumbnailFile(picture);
    pool_.start([this, key, file, fromServer] {
        QImage thumbnail;
        if (fromServer) {
            const QString download = file + QStringLiteral(".dat");
            try {
                thumbnail = PictureDecoder::readThumbnail(download, Side);
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                thumbnail.save(&buffer, "png");
                SafeFile kept(file, SafeFile::Durability::Unflushed);
                if (!(kept.open() && kept.write(png) && kept.commit()))
                    qWarning("Cannot keep the thumbnail %s", qUtf8Printable(file));
            } catch (const AppError& error) {
                qInfo("No thumbnail of %s: %s", qUtf8Printable(key.section(QChar(u'\0'), 1)),
                      error.what());
            }
            QFile::remove(download);
        } else {
            QImageReader reader(file, "png");
            thumbnail = reader.read();
        }
        QMetaObject::invokeMethod(
            this, [this, key, thumbnail] { decoded(key, thumbnail); }, Qt::QueuedConnection);
    });
}

void ThumbnailLoader::decoded(const QString& key, const QImage& thumbnail)
{
    decoding_.remove(key);
    const qsizetype at = key.indexOf(QChar(u'\0'));
    const SkinPicture picture{key.left(at), key.mid(at + 1)};
    if (thumbnail.isNull()) {
        kept_.remove(fileName(picture));
        failed_.insert(key);
        Q_EMIT failed(key);
    } else {
        kept_.insert(fileName(picture));
        // Delivered: not read again for the same wish.
        wantedKeys_.remove(key);
        wanted_.removeIf([&key](const SkinPicture& p) { return keyOf(p) == key; });
        Q_EMIT ready(key, thumbnail);
    }
    pump();
}
