#pragma once

#include "core/catalogue/cache_folder.h"
#include "core/catalogue/catalogue_loader.h"
#include "core/download/file_downloader.h"
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
// what the user should see is reported through signals, in the order it happens. Every command
// catches its own failures and reports them as the error line.
class SkinController : public QObject {
    Q_OBJECT
public:
    explicit SkinController(Services& services, QObject* parent = nullptr);
    ~SkinController() override;

    Settings& settings() { return settings_; }
    LanguageManager& language() { return language_; }
    const StatusReport& report() const { return report_; }
    CatalogueLoader& catalogue() { return loader_; }
    void setSelection(CatalogueSelection* selection) { selection_ = selection; }

    // The load step: the command line (a picture to make ready, or "loadcache"), the stored
    // settings, the catalogue's root; the loading pass follows at the first timer tick.
    void start(const QString& commandLine);
    // The timer's pass over the catalogue.
    void loadCatalogue();
    // Throws the tree away; the next tick loads everything from the server named in the
    // settings now.
    void refreshCatalogue();
    void previewSkin(const std::optional<CatalogueNode>& node);
    // Installs what is shown: the picked file, else the downloaded preview. A keyboard move not
    // yet previewed is previewed first, and installed only when that succeeds.
    void installSkin();
    void removeSkin();
    // The user picks a picture file; it is shown, installed, and stays ready to install again.
    void installPickedFile();
    void setUpdateAtStart(int value);
    // The maker's web site in the browser; whatever the desktop says, the program carries on.
    void visitSite();

    qint16 updateAtStart() const { return updateAtStart_; }
    bool loadingPending() const { return loading_.isActive(); }
    void stopLoading() { loading_.stop(); }

    // Stops the loading timer and shows the error line.
    void reportError(const AppError& error);

Q_SIGNALS:
    void statusChanged(const QString& text);
    void progressChanged(int value);
    void busyChanged(bool busy);
    void previewChanged(const Picture& picture);
    void installAvailableChanged(bool available);
    // The loading timer ticked: the window runs loadCatalogue() once no command runs.
    void loadingDue();

private:
    template <class Body> void guarded(Body&& body);
    void install(const QString& pictureFile);

    Services& services_;
    Settings settings_;
    LanguageTable texts_;
    StatusReport report_;
    LanguageManager language_;
    CacheFolder cache_;
    FileDownloader downloader_;
    CatalogueLoader loader_;
    SkinPreviewer previewer_;
    MessengerInstaller installer_;
    QTimer loading_;
    CatalogueSelection* selection_ = nullptr;

    QString baseUrl_;
    bool useCache_ = false;
    bool skinFromCommandLine_ = false;
    qint16 updateAtStart_ = 0;
    QString pickedFile_;
};
