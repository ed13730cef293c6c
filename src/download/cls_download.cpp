#include "download/cls_download.h"

#include "platform/url_fetcher.h"

bool clsDownload::Get_File(const QString& sURLFileName, const QString& sSaveFileName)
{
    try {
        return fetcher_.fetch(sURLFileName, sSaveFileName);
    } catch (...) {
        return false;
    }
}
