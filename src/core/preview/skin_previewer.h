#pragma once

#include <QString>
#include <functional>
#include <optional>

class CacheFolder;
class FileDownloader;
class StatusReport;

// A node of the catalogue tree as the user picked it.
struct CatalogueNode {
    enum class Kind { Root, Category, Skin };
    Kind kind = Kind::Skin;
    QString text;
    // A skin's category, as the tree shows it.
    QString categoryText;
};

// Downloads the picked skin's picture into Cache/temp.dat and shows it. What can be installed
// is always what is shown: a preview that fails leaves the placeholder and nothing to install.
// The root or a category changes nothing.
class SkinPreviewer {
public:
    // shown: the picture arrived and is shown, ready to install.
    using Done = std::function<void(bool shown)>;

    SkinPreviewer(CacheFolder& cache, FileDownloader& downloader, StatusReport& report);

    // Starts the preview of a skin and returns true; done follows once it has ended. false when
    // there is nothing to wait for: the root or a category (nothing changes), or no node at all
    // (a failed download).
    bool preview(const std::optional<CatalogueNode>& node, const QString& baseUrl, Done done);
    // The preview under way ends without a word, its progress cleared; done does not follow.
    void abandon();
    bool running() const { return running_; }
    // The placeholder, no temp.dat, nothing to install.
    void drop();

private:
    void arrived(bool arrived);
    void fail();

    CacheFolder& cache_;
    FileDownloader& downloader_;
    StatusReport& report_;
    bool running_ = false;
    Done done_;
};
