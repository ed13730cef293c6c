#pragma once

#include "core/catalogue/catalogue_index.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class CacheFolder;
class FileDownloader;
class StatusReport;
class UrlFetcher;

// Fills the catalogue from the list files: downloaded into Cache, or taken from the copies there.
// The tree is reported as it grows (the root, each category, each category's skins in one
// insertion); status texts and progress go to the report, in the order the user sees them.
// A pass starts and returns; each list it downloads moves it on when it arrives.
class CatalogueLoader : public QObject {
    Q_OBJECT
public:
    static constexpr const char* RootKey = "voruzide";

    CatalogueLoader(CacheFolder& cache, FileDownloader& downloader, UrlFetcher& fetcher,
                    StatusReport& report);
    ~CatalogueLoader() override;

    // Empties the tree down to its root.
    void clear();
    // Starts one pass over the whole catalogue; passFinished follows. A refresh that fails puts
    // back the list copies and the tree from before it; the status keeps saying what failed.
    void load(const QString& baseUrl, bool fromCache);
    bool running() const { return stage_ != Stage::Idle; }
    // The pass ends where it stands, without a word; a refresh cut short is finished by the next
    // start. passFinished does not follow.
    void abandon();
    // Sets the list copies aside for a refresh and empties the tree. Where they cannot be kept
    // aside they stay in place, and each download replaces its copy only when it succeeds.
    void beginRefresh();

Q_SIGNALS:
    // The tree holds only its root now.
    void catalogueCleared(const QString& rootKey, const QString& rootText);
    void categoryAdded(const QString& key, const QString& text);
    void skinsAdded(const QString& categoryKey, const QStringList& names);
    void passFinished();

private:
    enum class Pass {
        FromCache,
        Download,
        Refresh, // downloads, with the copies from before set aside
        Restore, // reads the copies put back, reports nothing: its first problem ends it
    };
    enum class Stage { Idle, CategoryList, NextCategory, SkinList, Waiting };

    void fill(Pass pass);
    // Runs the pass's stages until it waits for a download or ends.
    void advance();
    void readCategoryList();
    void addNextCategory();
    void readSkinList();
    // Downloads a list into its copy; the pass goes on at `next` when it has arrived or failed.
    void downloadList(const QString& url, const QString& copy, Stage next);
    // Ends the pass: true when every list was loaded.
    void endFill(bool loaded);
    // A missing list or the server's "not found" ends the pass with a message of its own.
    void endPass(const QString& status);
    void listMissing();
    void step();

    CacheFolder& cache_;
    FileDownloader& downloader_;
    UrlFetcher& fetcher_;
    StatusReport& report_;
    CatalogueIndex index_;

    // The pass under way.
    Stage stage_ = Stage::Idle;
    Pass pass_ = Pass::FromCache;
    bool refreshing_ = false;
    bool inRun_ = false;
    QString baseUrl_;
    QStringList categories_;
    qsizetype next_ = 0;
    QString categoryKey_;
    QString copy_;
};
