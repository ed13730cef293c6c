#pragma once

#include <QString>

class UrlFetcher;

// One fetch of one URL into one file, turned into a yes/no answer.
class clsDownload {
public:
    explicit clsDownload(UrlFetcher& fetcher) : fetcher_(fetcher) {}
    // true when the fetch succeeded; false on any failure. Never throws.
    bool Get_File(const QString& sURLFileName, const QString& sSaveFileName);

private:
    UrlFetcher& fetcher_;
};
