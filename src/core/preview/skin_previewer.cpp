#include "core/preview/skin_previewer.h"

#include "core/app_error.h"
#include "core/catalogue/cache_folder.h"
#include "core/catalogue/skin_picture_url.h"
#include "core/download/file_downloader.h"
#include "core/preview/picture_decoder.h"
#include "core/status_report.h"

#include <QFile>

namespace {
AppError noNode()
{
    return AppError(91, QStringLiteral("Object variable or With block variable not set"));
}
} // namespace

SkinPreviewer::SkinPreviewer(CacheFolder& cache, FileDownloader& downloader, StatusReport& report)
    : cache_(cache), downloader_(downloader), report_(report)
{
}

void SkinPreviewer::drop()
{
    report_.showPreview(Picture());
    QFile::remove(cache_.previewFile());
    report_.setInstallAvailable(false);
}

void SkinPreviewer::preview(const std::optional<CatalogueNode>& node, const QString& baseUrl)
{
    try {
        cache_.ensureExists();
        if (!node)
            throw noNode();
        // The root or a category: the preview, temp.dat and the install controls stay.
        if (node->text.startsWith(QLatin1Char(' ')))
            return;
        report_.setStatus(report_.text(UiText::Preparing));
        report_.step();
        if (!node->parentText)
            throw noNode();
        const QString picture = cache_.previewFile();
        const bool arrived =
            downloader_.download(skinPictureUrl(baseUrl, *node->parentText, node->text), picture,
                                 report_.text(UiText::SkinDownloaded));
        report_.step();
        // The download's message, or the error line of a body that is no picture, stays.
        std::optional<Picture> shown;
        if (arrived) {
            try {
                shown = PictureDecoder::readFile(picture);
            } catch (const AppError& error) {
                report_.showError(error);
            }
        }
        if (!shown) {
            drop();
            report_.clearProgress();
            return;
        }
        report_.showPreview(*shown);
        report_.step();
        report_.setStatus(report_.text(UiText::Loaded));
        report_.clearProgress();
        report_.setInstallAvailable(true);
    } catch (const AppError& error) {
        // No Cache folder (75) or a node without a category (91): the user sees the
        // failed-download message and nothing to install.
        qWarning("No preview: %s", error.what());
        drop();
        report_.clearProgress();
        report_.showFailure(report_.text(UiText::DownloadFailed));
    }
}
