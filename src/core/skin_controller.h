#pragma once

#include "core/catalogue/cache_folder.h"
#include "core/catalogue/catalogue_loader.h"
#include "core/catalogue/catalogue_names.h"
#include "core/catalogue/server_check.h"
#include "core/catalogue/server_list.h"
#include "core/download/file_downloader.h"
#include "core/install/background_history.h"
#include "core/install/messenger_installer.h"
#include "core/language/language_manager.h"
#include "core/preview/skin_previewer.h"
#include "core/settings.h"
#include "core/status_report.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class AppError;
struct Services;

// Which catalogue node the user is on, asked of the window when a keyboard move has not yet
// been previewed.
class CatalogueSelection {
public:
    virtual ~CatalogueSelection() = default;
    // Whether a keyboard move still waits for its preview; the wait ends either way.
    virtual bool takePendingMove() = 0;
    virtual std::optional<CatalogueNode> currentNode() const = 0;
};

// The program's commands and its run state (server, cache mode, picked file). Knows no widget:
// what the user should see is reported through report(), in the order it happens. Every command
// catches its own failures and reports them as the error line. A command that waits (for the
// network, for Messenger's windows) starts its task and returns; one task runs at a time.
class SkinController : public QObject {
    Q_OBJECT
public:
    enum class Task {
        None,
        Loading,  // a pass over the catalogue
        Preview,  // a skin's picture on its way
        Install,  // Messenger's windows being closed after an install
        Remove,   // the same after a removal
        PickFile, // the open-file dialog, then the install of the file chosen
    };

    explicit SkinController(Services& services, QObject* parent = nullptr);
    ~SkinController() override;

    Settings& settings() { return settings_; }
    LanguageManager& language() { return language_; }
    StatusReport& report() { return report_; }
    CatalogueLoader& catalogue() { return loader_; }
    ServerList& servers() { return servers_; }
    ServerCheck& serverCheck() { return serverCheck_; }
    // The loaded catalogue's names, kept in step with the tree.
    const CatalogueNames& catalogueNames() const { return names_; }
    const CacheFolder& cache() const { return cache_; }
    // The server the catalogue came from.
    const QString& baseUrl() const { return baseUrl_; }
    // For downloads that are no task, such as thumbnails.
    UrlFetcher& fetcher();
    void setSelection(CatalogueSelection* selection) { selection_ = selection; }

    // The load step: the command line (a picture to make ready, or "loadcache"), the stored
    // settings, the catalogue's root; the loading pass follows at the first timer tick that
    // finds no task running.
    void start(const QString& commandLine);
    // Starts the pass over the catalogue.
    void loadCatalogue();
    // Throws the tree away; the next tick loads everything from the server named in the
    // settings now. Not while a task runs.
    void refreshCatalogue();
    // Stores url as the server in use and refreshes the catalogue from it, as
    // refreshCatalogue() does. Not while a task runs, nor for an address of the wrong form.
    void useServer(const QString& url);
    // A skin's preview replaces one under way; the root or a category changes nothing. Refused
    // (false) while another task runs.
    bool previewSkin(const std::optional<CatalogueNode>& node);
    // Installs what is shown: the picked file, else the downloaded preview. A keyboard move not
    // yet previewed, or a preview under way, is installed once it is shown. Not while another
    // task runs.
    void installSkin();
    void removeSkin();
    // The user picks a picture file; it is shown, installed, and stays ready to install again.
    void installPickedFile();
    // Puts a kept copy back as an install puts a picture in place: what it replaces is kept.
    // Not while another task runs.
    void restoreBackground(const QString& copy);
    // Asks, then deletes a copy this program made; any other file stays.
    void deleteBackground(const QString& copy);
    // The backgrounds installed now and the copies kept of earlier ones.
    QList<BackgroundEntry> backgrounds() const { return history_.entries(); }
    // A picture given while the program runs (dropped on the window, named by a later start) is
    // shown and made ready to install as one named at the start, replacing a preview under way.
    // A path that names no ordinary file changes nothing. Not while another task runs.
    void openPicture(const QString& path);
    // The user gives up on the download under way: it fails as any failed download does. false
    // when none runs.
    bool cancelDownload();
    // The program is closing: every task ends now, without a word.
    void shutDown();
    Task task() const { return task_; }
    void setUpdateAtStart(int value);
    // The maker's web site in the browser; whatever the desktop says, the program carries on.
    void visitSite();

    qint16 updateAtStart() const { return updateAtStart_; }
    bool loadingPending() const { return loading_.isActive(); }
    void stopLoading() { loading_.stop(); }

    // Stops the loading timer and shows the error line.
    void reportError(const AppError& error);

Q_SIGNALS:
    void taskChanged(SkinController::Task task);
    // An install, a removal or a deletion has ended: the backgrounds may have changed.
    void backgroundsChanged();

private:
    template <class Body> void guarded(Body&& body);
    void setTask(Task task);
    void previewEnded(bool shown);
    // Installs the picture, then closes Messenger's windows; `then` follows either way, once
    // nothing more runs.
    void install(const QString& pictureFile, Task task, const std::function<void()>& then = {});
    void picked(const QString& chosen);
    // Remembers the catalogue skin now installed, or that none is.
    void rememberInstalled(const std::optional<CatalogueNode>& skin);
    // The picture in a file the user gave; none, with the error line shown, when it is no
    // picture. Unlike a failed install, this leaves the loading timer alone.
    std::optional<Picture> readGiven(const QString& path);
    // Closes Messenger's windows; the status then says `done`.
    void closeMessenger(UiText done);

    Services& services_;
    Settings settings_;
    LanguageTable texts_;
    StatusReport report_;
    LanguageManager language_;
    CacheFolder cache_;
    FileDownloader downloader_;
    CatalogueLoader loader_;
    CatalogueNames names_;
    SkinPreviewer previewer_;
    MessengerInstaller installer_;
    BackgroundHistory history_;
    ServerList servers_;
    ServerCheck serverCheck_;
    QTimer loading_;
    CatalogueSelection* selection_ = nullptr;

    QString baseUrl_;
    bool useCache_ = false;
    bool skinFromCommandLine_ = false;
    qint16 updateAtStart_ = 0;
    QString pickedFile_;
    Task task_ = Task::None;
    bool installWhenShown_ = false;
    // The catalogue skin being previewed, and the one shown (what the preview file holds).
    std::optional<CatalogueNode> previewing_;
    std::optional<CatalogueNode> shownSkin_;
    std::function<void()> afterClosing_;
};
