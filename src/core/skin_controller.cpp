#include "core/skin_controller.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/maker_site.h"
#include "core/services/services.h"
#include "core/startup_rules.h"

namespace {
QString backupsFolderOf(const Services& services)
{
    return services.dataFolder.isEmpty() ? QString()
                                         : services.dataFolder + QStringLiteral("/backups");
}
QString cacheFolderOf(const Services& services)
{
    return services.cacheFolder.isEmpty() ? services.programFolder + QStringLiteral("/Cache")
                                          : services.cacheFolder;
}

QStringList languageFoldersOf(const Services& services)
{
    return services.languageFolders.isEmpty() ? QStringList{services.programFolder}
                                              : services.languageFolders;
}
} // namespace

SkinController::SkinController(Services& services, QObject* parent)
    : QObject(parent), services_(services), settings_(*services.settings), report_(texts_),
      language_(texts_, settings_, *services.dialogs, report_, languageFoldersOf(services)),
      cache_(cacheFolderOf(services)), downloader_(*services.fetcher, report_),
      loader_(cache_, downloader_, *services.fetcher, report_),
      previewer_(cache_, downloader_, report_),
      installer_(*services.registry, *services.windows, backupsFolderOf(services))
{
    loading_.setObjectName(QStringLiteral("loading"));
    loading_.setInterval(10);
    connect(&loading_, &QTimer::timeout, this, &SkinController::loadingDue);
    connect(&report_, &StatusReport::statusChanged, this, &SkinController::statusChanged);
    connect(&report_, &StatusReport::progressChanged, this, &SkinController::progressChanged);
    connect(&report_, &StatusReport::busyChanged, this, &SkinController::busyChanged);
    connect(&report_, &StatusReport::previewChanged, this, &SkinController::previewChanged);
    connect(&report_, &StatusReport::installAvailableChanged, this,
            &SkinController::installAvailableChanged);
    connect(&report_, &StatusReport::errorShown, &loading_, &QTimer::stop);
}

SkinController::~SkinController() = default;

template <class Body> void SkinController::guarded(Body&& body)
{
    try {
        body();
    } catch (const AppError& error) {
        reportError(error);
    } catch (const std::exception& error) {
        reportError(AppError(51, QStringLiteral("Internal error: ") +
                                     QString::fromLocal8Bit(error.what())));
    }
}

void SkinController::reportError(const AppError& error)
{
    report_.showError(error); // stops the loading timer
}

void SkinController::start(const QString& commandLine)
{
    loading_.start(); // armed at load; every way out of a failed load disables it again
    guarded([&] {
        const CommandLine args = parseCommandLine(commandLine);
        if (args.loadCache) {
            skinFromCommandLine_ = true;
        } else if (!args.path.isEmpty() && isOrdinaryFile(args.path)) {
            pickedFile_ = args.path;
            report_.showPreview(PictureDecoder::readFile(pickedFile_));
            report_.setInstallAvailable(true);
            skinFromCommandLine_ = true;
        }

        const qint16 stored = settings_.updateAtStart();
        if (stored < 0 || stored > 2)
            throw AppError::invalidPropertyValue();
        // The settings box takes the stored state, and stores it again as it changes.
        if (stored != 0)
            setUpdateAtStart(stored);
        updateAtStart_ = stored;

        useCache_ = decideUseCache(skinFromCommandLine_, updateAtStart_);
        // Settings that cannot be stored are reported, but the catalogue still gets its root
        // and server, so that a refresh works in this run.
        std::optional<AppError> notStored;
        try {
            settings_.setProgramFolder(services_.programFolder);
        } catch (const AppError& error) {
            notStored = error;
        }
        baseUrl_ = settings_.baseUrl();
        loader_.clear();
        if (notStored)
            throw *notStored;
    });
}

void SkinController::loadCatalogue()
{
    loading_.stop(); // every way out of a pass ends the timer's work
    guarded([&] { loader_.load(baseUrl_, useCache_); });
}

void SkinController::refreshCatalogue()
{
    guarded([&] {
        loader_.beginRefresh();
        // The server may have been changed in the settings file since the start.
        baseUrl_ = settings_.baseUrl();
        useCache_ = false;
        loading_.start();
    });
}

void SkinController::previewSkin(const std::optional<CatalogueNode>& node)
{
    pickedFile_.clear();
    previewer_.preview(node, baseUrl_);
}

void SkinController::install(const QString& pictureFile)
{
    guarded([&] {
        if (installer_.install(pictureFile))
            report_.setStatus(report_.text(UiText::SkinInstalled));
    });
}

void SkinController::installSkin()
{
    if (selection_ && selection_->takePendingMove()) {
        previewSkin(selection_->currentNode());
        if (!report_.installAvailable())
            return;
    }
    if (!pickedFile_.isEmpty()) {
        install(pickedFile_);
        pickedFile_.clear();
    } else {
        install(cache_.previewFile());
    }
}

void SkinController::removeSkin()
{
    guarded([&] {
        installer_.remove();
        report_.setStatus(report_.text(UiText::BackgroundRemoved));
    });
}

void SkinController::installPickedFile()
{
    try {
        const QString chosen =
            services_.dialogs->openFile(language_.text(FixedText::PictureFilter));
        if (chosen.isEmpty())
            return;
        report_.showPreview(PictureDecoder::readFile(chosen));
        install(chosen);
        pickedFile_ = chosen;
        report_.setInstallAvailable(true);
    } catch (const AppError& error) {
        // Unlike the install, a failed pick leaves the loading timer alone.
        report_.setStatus(report_.errorLine(error));
    } catch (const std::exception& error) {
        report_.setStatus(report_.errorLine(AppError(
            51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()))));
    }
}

void SkinController::setUpdateAtStart(int value)
{
    guarded([&] { settings_.setUpdateAtStart(value); });
}

void SkinController::visitSite()
{
    // No browser or no desktop is no failure of this program: it carries on.
    if (!services_.shell->open(makerSiteUrl()))
        qWarning("The web site could not be opened: no browser or desktop took %s",
                 qUtf8Printable(makerSiteUrl()));
}
