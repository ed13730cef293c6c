#pragma once

#include "core/services/url_fetcher.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

// A skin's picture as a thumbnail is asked for: its category as the tree shows it, its name.
struct SkinPicture {
    QString categoryText;
    QString name;
};

// Small pictures of skins, for browsing a category. Each picture is fetched from the server
// within a preview's bounds, scaled down off the window's thread, and kept as a small PNG in a
// folder of its own, so it is fetched once. It shows nothing and reports no status: it only
// delivers what was asked for, by signal.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int Side = 96;
    // Fetches at once: as many connections as a browser opens to one server.
    static constexpr int MaxFetches = 6;
    // Pictures being decoded or read back at once; the rest wait their turn, so a new wish
    // does not queue behind a stale one.
    static constexpr int MaxDecodes = 4;
    // Thumbnails kept in the folder, a few KB each; the oldest give way.
    static constexpr int MaxKept = 10000;

    ThumbnailLoader(UrlFetcher& fetcher, QString folder, QObject* parent = nullptr);
    // Gives up every fetch and waits for the one or two pictures being scaled.
    ~ThumbnailLoader() override;

    // Pictures on another server are other pictures; those that failed may be tried again.
    void setServer(const QString& baseUrl);
    // The pictures wanted now, the most wanted first: they are read back or fetched in that
    // order. Fetches of pictures no longer wanted are given up.
    void want(const QList<SkinPicture>& pictures);
    // While held, nothing is fetched (read back from the folder, yes) and running fetches are
    // given up; they start again when the hold ends.
    void setHeld(bool held);
    // Gives up every fetch and forgets what was wanted.
    void stop();
    // How ready() and failed() name a picture.
    static QString keyOf(const SkinPicture& picture);
    // Where the picture's thumbnail is kept.
    QString thumbnailFile(const SkinPicture& picture) const;
    int fetchesRunning() const { return int(fetching_.size()); }

Q_SIGNALS:
    void ready(const QString& key, const QImage& thumbnail);
    // No thumbnail this session: no answer, no picture, or a picture past the bounds.
    void failed(const QString& key);

private:
    struct Fetch {
        quint64 token = 0;
        UrlFetcher::FetchId id = 0;
    };
    void pump();
    void fetch(const QString& key, const SkinPicture& picture);
    void fetched(const QString& key, quint64 token, bool arrived);
    void decode(const QString& key, const SkinPicture& picture, bool fromServer);
    void decoded(const QString& key, const QImage& thumbnail);
    void giveUp(const QString& key);
    QString fileName(const SkinPicture& picture) const;

    UrlFetcher& fetcher_;
    QString folder_;
    QString baseUrl_;
    bool held_ = false;
    QList<SkinPicture> wanted_;
    QSet<QString> wantedKeys_;
    QHash<QString, Fetch> fetching_;
    QSet<QString> decoding_;
    QSet<QString> failed_;
    // The thumbnails in the folder, by file name: no look at the disk per wish.
    QSet<QString> kept_;
    quint64 tokens_ = 0;
    QThreadPool pool_;
};
