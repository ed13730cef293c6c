#pragma once

#include <QString>

// Fetches one URL into one local file and returns when the transfer has ended. While it waits
// the caller's window keeps repainting but takes no user input.
class UrlFetcher {
public:
    virtual ~UrlFetcher() = default;
    // true when the whole resource now stands in targetPath; false on any failure, in which case
    // the file that was at targetPath before is left as it was.
    virtual bool fetch(const QString& url, const QString& targetPath) = 0;
};
