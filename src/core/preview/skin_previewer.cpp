#include "core/preview/skin_previewer.h"

#include "core/app_error.h"
#include "core/catalogue/cache_folder.h"
#include "core/catalogue/skin_picture_url.h"
#include "core/download/file_downloader.h"
#include "core/preview/picture_decoder.h"
#include "core/status_report.h"

#include <QFile>

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

// No Cache folder or no node: the user sees the failed-download message and nothing to install.
void SkinPreviewer::fail()
{
    drop();
    report_.clearProgress();
    report_.showFailure(report_.text(UiText::DownloadFailed));
}

bool SkinPreviewer::preview(const std::optional<CatalogueNode>& node, const QString& baseUrl,
                            Done done)
{
    abandon();
    try {
        cache_.ensureExists();
    } catch (const AppError& error) {
        qWarning("No preview: %s", error.what());
        fail();
        return false;
    }
    if (!node) {
        qWarning("No preview: no node chosen");
        fail();
        return false;
    }
    // The root or a category: the preview, temp.dat and the install controls stay.
    if (node->kind != CatalogueNode::Kind::Skin)
        return false;
    report_.setStatus(report_.text(UiText::Preparing));
    report_.step();
    running_ = true;
    done_ = std::move(done);
    downloader_.download(skinPictureUrl(baseUrl, node->categoryText, node->text),
                         cache_.previewFile(), PictureDecoder::MaxFileBytes,
                         report_.text(UiText::SkinDownloaded), [this](bool ok) { arrived(ok); });
    return true;
}

void SkinPreviewer::arrived(bool arrived)
{
    running_ = false;
    report_.step();
    // The download's message, or the error line of a body that is no picture, stays.
    std::optional<Picture> shown;
    if (arrived) {
        try {
            shown = PictureDecoder::readFile(cache_.previewFile());
        } catch (const AppError& error) {
            report_.showError(error);
        }
    }
    if (!shown) {
        drop();
        report_.clearProgress();
    } else {
        report_.showPreview(*shown);
        report_.step();
        report_.setStatus(report_.text(UiText::Loaded));
        report_.clearProgress();
        report_.setInstallAvailable(true);
    }
    const Done done = std::exchange(done_, nullptr);
    if (done)
        done(shown.has_value());
}

void SkinPreviewer::abandon()
{
    if (!running_)
        return;
    running_ = false;
    done_ = nullptr;
    downloader_.abandon();
    report_.clearProgress();
}
