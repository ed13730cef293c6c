#pragma once

#include <QString>
#include <optional>

class CacheFolder;
class FileDownloader;
class StatusReport;

// A node of the catalogue tree as the user picked it: its text and its parent's, if any.
struct CatalogueNode {
    QString text;
    std::optional<QString> parentText;
};

// Downloads the picked skin's picture into Cache/temp.dat and shows it. What can be installed
// is always what is shown: a preview that fails leaves the placeholder and nothing to install.
// The root or a category changes nothing.
class SkinPreviewer {
public:
    SkinPreviewer(CacheFolder& cache, FileDownloader& downloader, StatusReport& report);

    // No node at all counts as a failed download.
    void preview(const std::optional<CatalogueNode>& node, const QString& baseUrl);
    // The placeholder, no temp.dat, nothing to install.
    void drop();

private:
    CacheFolder& cache_;
    FileDownloader& downloader_;
    StatusReport& report_;
};
