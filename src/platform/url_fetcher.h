#pragma once

#include <QString>

// Fetches one URL into one local file and returns when the transfer has ended. While it waits
// the caller's window keeps repainting and can be closed, but takes no other user input.
class UrlFetcher {
public:
    virtual ~UrlFetcher() = default;
    // true when the whole resource now stands in targetPath; false on any failure, in which case
    // the file that was at targetPath before is left as it was.
    virtual bool fetch(const QString& url, const QString& targetPath) = 0;
    // The program is closing: a running fetch ends at once as a failure, and every later one
    // fails without starting.
    virtual void cancel() = 0;
};
