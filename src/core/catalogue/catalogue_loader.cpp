#include "core/catalogue/catalogue_loader.h"

#include "core/app_error.h"
#include "core/catalogue/cache_folder.h"
#include "core/catalogue/list_format.h"
#include "core/catalogue/skin_picture_url.h"
#include "core/download/file_downloader.h"
#include "core/services/url_fetcher.h"
#include "core/status_report.h"

#include <QFileInfo>
#include <QTime>

namespace {
const QString RootText = QStringLiteral(" VOR Uzide");

// Makes category keys unique across loads; it changes every second. A fixed 24-hour format
// with seconds: a system short format may leave the seconds out.
QString timeOfDayText()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

CatalogueLoader::CatalogueLoader(CacheFolder& cache, FileDownloader& downloader,
                                 UrlFetcher& fetcher, StatusReport& report)
    : cache_(cache), downloader_(downloader), fetcher_(fetcher), report_(report)
{
}

CatalogueLoader::~CatalogueLoader()
{
    abandon();
}

void CatalogueLoader::clear()
{
    const QString root = QString::fromLatin1(RootKey);
    index_.clear();
    index_.addNode(QString(), root);
    Q_EMIT catalogueCleared(root, RootText);
}

void CatalogueLoader::beginRefresh()
{
    clear();
    cache_.setAsideListCopies();
}

void CatalogueLoader::load(const QString& baseUrl, bool fromCache)
{
    abandon();
    baseUrl_ = baseUrl;
    bool refreshing = cache_.refreshPending();
    if (refreshing && fromCache) {
        // A refresh cut short (the program ended before its pass): only a pass that downloads
        // may finish it, so this one starts from the copies it kept.
        cache_.flushListCopies();
        cache_.restoreListCopies();
        refreshing = false;
    }
    fill(fromCache ? Pass::FromCache : refreshing ? Pass::Refresh : Pass::Download);
}

void CatalogueLoader::abandon()
{
    if (stage_ == Stage::Idle)
        return;
    stage_ = Stage::Idle;
    downloader_.abandon();
    if (inRun_)
        fetcher_.endRun();
    inRun_ = false;
}

void CatalogueLoader::step()
{
    if (pass_ != Pass::Restore)
        report_.step();
}

void CatalogueLoader::fill(Pass pass)
{
    pass_ = pass;
    categories_.clear();
    next_ = 0;
    stage_ = Stage::CategoryList;
    try {
        cache_.ensureExists();
        // A server that is down costs one wait; the cached copies fill the tree meanwhile.
        fetcher_.beginRun();
        inRun_ = true;
        copy_ = cache_.listCopy(QString::fromLatin1(RootKey));
        if (pass_ == Pass::Download || pass_ == Pass::Refresh)
            downloadList(listUrl(baseUrl_, QStringLiteral("voruzide")), copy_, Stage::CategoryList);
    } catch (const AppError& error) {
        if (pass_ != Pass::Restore)
            report_.showError(error);
        endFill(false);
        return;
    }
    advance();
}

void CatalogueLoader::downloadList(const QString& url, const QString& copy, Stage next)
{
    stage_ = Stage::Waiting;
    downloader_.download(url, copy, listformat::MaxListBytes, report_.text(UiText::ListDownloaded),
                         [this, next](bool) {
                             stage_ = next;
                             advance();
                         });
}

void CatalogueLoader::advance()
{
    try {
        for (;;) {
            switch (stage_) {
            case Stage::CategoryList:
                readCategoryList();
                break;
            case Stage::NextCategory:
                addNextCategory();
                break;
            case Stage::SkinList:
                readSkinList();
                break;
            case Stage::Waiting:
            case Stage::Idle:
                return;
            }
        }
    } catch (const AppError& error) {
        if (pass_ != Pass::Restore)
            report_.showError(error);
        endFill(false);
    }
}

void CatalogueLoader::readCategoryList()
{
    step();
    if (!QFileInfo::exists(copy_))
        return listMissing();
    const QString categoryText = CacheFolder::readList(copy_);
    if (listformat::isNotFoundMarker(categoryText))
        return endPass(QStringLiteral("Error 404: File Not Found"));
    step();
    categories_ = listformat::splitList(categoryText);
    if (pass_ == Pass::Download || pass_ == Pass::Refresh) {
        // Each list is still taken in its turn; asking for them all now saves a round trip per
        // category. A name the pass would refuse ends the list: it is never asked for.
        QStringList ahead;
        for (const QString& name : std::as_const(categories_)) {
            if (!listformat::isSafeCategoryName(name))
                break;
            ahead << listUrl(baseUrl_, name);
        }
        downloader_.fetchAhead(ahead, listformat::MaxListBytes);
    }
    next_ = 0;
    stage_ = Stage::NextCategory;
}

void CatalogueLoader::addNextCategory()
{
    if (next_ == categories_.size()) {
        if (pass_ != Pass::Restore)
            report_.clearProgress();
        return endFill(true);
    }
    const QString& name = categories_.at(next_);
    if (index_.nodeCount() >= listformat::MaxTreeNodes)
        throw AppError::overflow();
    categoryKey_ = name + timeOfDayText();
    index_.addNode(QString::fromLatin1(RootKey), categoryKey_);
    Q_EMIT categoryAdded(categoryKey_, QLatin1Char(' ') + name);
    step();
    // The name becomes a file name: it must not lead anywhere but into Cache.
    listformat::requireSafeCategoryName(name);
    copy_ = cache_.listCopy(name);
    stage_ = Stage::SkinList;
    if (pass_ == Pass::Download || pass_ == Pass::Refresh)
        downloadList(listUrl(baseUrl_, name), copy_, Stage::SkinList);
}

void CatalogueLoader::readSkinList()
{
    step();
    if (!QFileInfo::exists(copy_))
        return listMissing();
    QString skinText = CacheFolder::readList(copy_);
    step();
    const QStringList skins = listformat::splitList(skinText);
    skinText.clear(); // the names hold copies; the text's room goes to the tree
    if (index_.nodeCount() + skins.size() > listformat::MaxTreeNodes)
        throw AppError::overflow();
    // All of a category's skins in one insertion; the bar moves as if they came one by one
    // (nothing is painted in between).
    const qsizetype added = index_.addLeaves(categoryKey_, skins);
    Q_EMIT skinsAdded(categoryKey_, added == skins.size() ? skins : skins.mid(0, added));
    for (qsizetype i = 0; i < added; ++i)
        step();
    if (added < skins.size())
        throw AppError::keyNotUnique();
    ++next_;
    stage_ = Stage::NextCategory;
}

void CatalogueLoader::endPass(const QString& status)
{
    if (pass_ != Pass::Restore) {
        report_.showFailure(status);
        report_.clearProgress();
    }
    endFill(false);
}

// In a refresh a list is missing only when its download failed, and the lists from before
// come back: the download's failure is what the user must read, not that a list is missing.
void CatalogueLoader::listMissing()
{
    if (pass_ != Pass::Refresh)
        return endPass(report_.text(UiText::ListMissing));
    report_.clearProgress();
    endFill(false);
}

void CatalogueLoader::endFill(bool loaded)
{
    stage_ = Stage::Idle;
    if (inRun_)
        fetcher_.endRun(); // what was fetched ahead and not asked for is dropped
    inRun_ = false;
    if (pass_ == Pass::Refresh) {
        if (!loaded) {
            cache_.flushListCopies();
            cache_.restoreListCopies();
            clear();
            // From the copies alone: it ends before this returns.
            return fill(Pass::Restore);
        }
        cache_.dropSetAsideCopies();
    }
    Q_EMIT passFinished();
}
