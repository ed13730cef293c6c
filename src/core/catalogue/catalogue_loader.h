#pragma once

#include "core/catalogue/catalogue_index.h"

#include <QObject>
#include <QString>
#include <QStringList>

class CacheFolder;
class FileDownloader;
class StatusReport;
class UrlFetcher;

// Fills the catalogue from the list files: downloaded into Cache, or taken from the copies there.
// The tree is reported as it grows (the root, each category, each category's skins in one
// insertion); status texts and progress go to the report, in the order the user sees them.
class CatalogueLoader : public QObject {
    Q_OBJECT
public:
    static constexpr const char* RootKey = "voruzide";

    CatalogueLoader(CacheFolder& cache, FileDownloader& downloader, UrlFetcher& fetcher,
                    StatusReport& report);

    // Empties the tree down to its root.
    void clear();
    // One pass over the whole catalogue. A refresh that fails puts back the list copies and the
    // tree from before it; the status keeps saying what failed.
    void load(const QString& baseUrl, bool fromCache);
    // Sets the list copies aside for a refresh and empties the tree. Where they cannot be kept
    // aside they stay in place, and each download replaces its copy only when it succeeds.
    void beginRefresh();

Q_SIGNALS:
    // The tree holds only its root now.
    void catalogueCleared(const QString& rootKey, const QString& rootText);
    void categoryAdded(const QString& key, const QString& text);
    void skinsAdded(const QString& categoryKey, const QStringList& names);

private:
    enum class Pass {
        FromCache,
        Download,
        Refresh, // downloads, with the copies from before set aside
        Restore, // reads the copies put back, reports nothing: its first problem ends it
    };
    // true when every list was loaded.
    bool fill(const QString& baseUrl, Pass pass);

    CacheFolder& cache_;
    FileDownloader& downloader_;
    UrlFetcher& fetcher_;
    StatusReport& report_;
    CatalogueIndex index_;
};
