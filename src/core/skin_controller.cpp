#include "core/skin_controller.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/install/background_backups.h"
#include "core/maker_site.h"
#include "core/services/services.h"
#include "core/startup_rules.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
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
      installer_(*services.registry, services.backupsFolder()),
      history_(*services.registry, services.backupsFolder()), servers_(settings_),
      serverCheck_(*services.fetcher, cache_.serverCheckFile())
{
    names_.follow(loader_);
    loading_.setObjectName(QStringLiteral("loading"));
    loading_.setInterval(10);
    // A tick that finds a task running leaves the timer armed for the next.
    connect(&loading_, &QTimer::timeout, this, [this] {
        if (task_ == Task::None)
            loadCatalogue();
    });
    connect(&report_, &StatusReport::errorShown, &loading_, &QTimer::stop);
    connect(&loader_, &CatalogueLoader::passFinished, this, [this] { setTask(Task::None); });
}

SkinController::~SkinController()
{
    shutDown();
}

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

void SkinController::setTask(Task task)
{
    if (task_ == task)
        return;
    const Task ended = std::exchange(task_, task);
    Q_EMIT taskChanged(task);
    if (task == Task::None &&
        (ended == Task::Install || ended == Task::Remove || ended == Task::PickFile))
        Q_EMIT backgroundsChanged();
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
    if (task_ != Task::None)
        return;
    // A pass from the copies alone may end before load() returns.
    setTask(Task::Loading);
    guarded([&] { loader_.load(baseUrl_, useCache_); });
    if (!loader_.running())
        setTask(Task::None);
}

void SkinController::refreshCatalogue()
{
    if (task_ != Task::None)
        return;
    guarded([&] {
        loader_.beginRefresh();
        // The server may have been changed in the settings file since the start.
        baseUrl_ = settings_.baseUrl();
        useCache_ = false;
        loading_.start();
    });
}

void SkinController::useServer(const QString& url)
{
    if (task_ != Task::None || !ServerList::isServerUrl(url))
        return;
    guarded([&] {
        settings_.store(Settings::BaseUrl, url);
        loader_.beginRefresh();
        baseUrl_ = url;
        useCache_ = false;
        loading_.start();
    });
}

bool SkinController::previewSkin(const std::optional<CatalogueNode>& node)
{
    if (task_ != Task::None && task_ != Task::Preview)
        return false;
    // The root or a category changes nothing, not even a preview under way.
    if (node && node->kind != CatalogueNode::Kind::Skin && task_ == Task::Preview)
        return true;
    pickedFile_.clear();
    installWhenShown_ = false;
    if (!node)
        shownSkin_.reset();
    else if (node->kind == CatalogueNode::Kind::Skin)
        previewing_ = node;
    const bool started =
        previewer_.preview(node, baseUrl_, [this](bool shown) { previewEnded(shown); });
    setTask(started ? Task::Preview : Task::None);
    return true;
}

void SkinController::previewEnded(bool shown)
{
    shownSkin_ = shown ? previewing_ : std::nullopt;
    setTask(Task::None);
    if (std::exchange(installWhenShown_, false) && shown)
        install(cache_.previewFile(), Task::Install);
}

void SkinController::install(const QString& pictureFile, Task task,
                             const std::function<void()>& then)
{
    afterClosing_ = then;
    bool closing = false;
    guarded([&] {
        if (installer_.install(pictureFile)) {
            rememberInstalled(pictureFile == cache_.previewFile() ? shownSkin_ : std::nullopt);
            setTask(task);
            closeMessenger(UiText::SkinInstalled);
            closing = true;
        }
    });
    if (!closing) {
        if (const auto after = std::exchange(afterClosing_, nullptr))
            after();
        setTask(Task::None);
    }
}

void SkinController::closeMessenger(UiText done)
{
    services_.windows->closeWindows(
        MessengerInstaller::windowClasses(), this, [this, done](const QStringList&) {
            report_.setStatus(report_.text(done));
            // What the install leaves comes first: a command waiting for the task's end wins.
            if (const auto after = std::exchange(afterClosing_, nullptr))
                after();
            setTask(Task::None);
        });
}

void SkinController::installSkin()
{
    if (task_ != Task::None && task_ != Task::Preview)
        return;
    if (selection_ && selection_->takePendingMove()) {
        previewSkin(selection_->currentNode());
        if (task_ == Task::Preview) {
            installWhenShown_ = true;
            return;
        }
        if (!report_.installAvailable())
            return;
    } else if (task_ == Task::Preview) {
        installWhenShown_ = true;
        return;
    }
    if (!pickedFile_.isEmpty())
        install(std::exchange(pickedFile_, QString()), Task::Install);
    else
        install(cache_.previewFile(), Task::Install);
}

void SkinController::removeSkin()
{
    if (task_ != Task::None)
        return;
    guarded([&] {
        installer_.remove();
        rememberInstalled(std::nullopt);
        setTask(Task::Remove);
        closeMessenger(UiText::BackgroundRemoved);
    });
}

void SkinController::installPickedFile()
{
    if (task_ != Task::None)
        return;
    setTask(Task::PickFile);
    services_.dialogs->openFile(language_.text(FixedText::PictureFilter), this,
                                [this](const QString& chosen) { picked(chosen); });
}

void SkinController::picked(const QString& chosen)
{
    const std::optional<Picture> picture = chosen.isEmpty() ? std::nullopt : readGiven(chosen);
    if (!picture)
        return setTask(Task::None);
    report_.showPreview(*picture);
    install(chosen, Task::PickFile, [this, chosen] {
        pickedFile_ = chosen;
        report_.setInstallAvailable(true);
    });
}

void SkinController::restoreBackground(const QString& copy)
{
    if (task_ != Task::None)
        return;
    // Keeping the background it replaces may drop the oldest copy, this one among them: the
    // install reads a copy of its own, hidden from pruning and from the history.
    QTemporaryFile held(history_.backupsFolder() + QStringLiteral("/.restoring-XXXXXX.gif"));
    bool ready = false;
    guarded([&] {
        const QByteArray bytes = PictureDecoder::readFile(copy).bytes;
        if (!held.open() || held.write(bytes) != bytes.size() || !held.flush())
            throw AppError::pathFileAccess();
        held.close();
        ready = true;
    });
    // The install has copied it before it returns; the held copy goes with this scope.
    if (ready)
        install(held.fileName(), Task::Install);
}

void SkinController::deleteBackground(const QString& copy)
{
    const QString folder = history_.backupsFolder();
    const QFileInfo file(copy);
    if (folder.isEmpty() || file.dir() != QDir(folder) ||
        !backgrounds::isOurs(folder, file.fileName()))
        return;
    services_.dialogs->ask(language_.text(UiText::DeleteQuestion) + QStringLiteral("\n\n") +
                               file.fileName(),
                           language_.text(UiText::HistoryItem), this,
                           [this, folder, name = file.fileName()](bool yes) {
                               if (!yes)
                                   return;
                               try {
                                   backgrounds::discard(folder, name);
                               } catch (const AppError& error) {
                                   // Not a command's failure: the loading timer runs on.
                                   report_.setStatus(report_.errorLine(error));
                               }
                               Q_EMIT backgroundsChanged();
                           });
}

void SkinController::rememberInstalled(const std::optional<CatalogueNode>& skin)
{
    // What Messenger shows is right either way; only the history's caption would be stale.
    try {
        if (skin)
            // The tree shows a category with a blank before its name.
            settings_.setInstalledSkin({skin->categoryText.trimmed(), skin->text});
        else
            settings_.forgetInstalledSkin();
    } catch (const AppError& error) {
        qWarning("%s", qUtf8Printable(report_.errorLine(error)));
    }
}

std::optional<Picture> SkinController::readGiven(const QString& path)
{
    try {
        return PictureDecoder::readFile(path);
    } catch (const AppError& error) {
        report_.setStatus(report_.errorLine(error));
    } catch (const std::exception& error) {
        report_.setStatus(report_.errorLine(AppError(
            51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()))));
    }
    return std::nullopt;
}

void SkinController::openPicture(const QString& path)
{
    if ((task_ != Task::None && task_ != Task::Preview) || !isOrdinaryFile(path))
        return;
    const std::optional<Picture> picture = readGiven(path);
    if (!picture)
        return;
    const bool replacing = task_ == Task::Preview;
    previewer_.abandon();
    installWhenShown_ = false;
    pickedFile_ = path;
    report_.showPreview(*picture);
    report_.setInstallAvailable(true);
    if (replacing) {
        // Ended as a preview ends: the status bar does not go on saying it prepares.
        report_.setStatus(report_.text(UiText::Loaded));
        setTask(Task::None);
    }
}

bool SkinController::cancelDownload()
{
    return downloader_.cancel();
}

UrlFetcher& SkinController::fetcher()
{
    return *services_.fetcher;
}

void SkinController::shutDown()
{
    serverCheck_.cancel();
    loading_.stop();
    loader_.abandon();
    previewer_.abandon();
    installWhenShown_ = false;
    afterClosing_ = nullptr;
    services_.fetcher->cancelAll();
    services_.windows->cancel();
    setTask(Task::None);
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
