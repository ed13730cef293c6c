#pragma once

#include <QMainWindow>
#include <QPointer>

class AboutDialog;
class CatalogueTree;
class CommandRunner;
class LanguageChooserDialog;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class SettingsDialog;
class SkinController;
class SkinPreviewLabel;
class UrlFetcher;
struct Picture;

// The main window: the catalogue tree, the preview, the install button, the status bar and the
// menus. It forwards the user's actions to the controller, one at a time, and shows what the
// controller reports.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // fetcher: the download a close request ends at once.
    MainWindow(SkinController& controller, UrlFetcher& fetcher, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window (not modal); nothing changes when it is already visible.
    void showMain();
    // A later start of the program asked for this one: the window in use comes to the front.
    void bringToFront();
    // The chooser of the first start, listed and not yet shown.
    LanguageChooserDialog* createChooser();

Q_SIGNALS:
    // The window and its dialogs are gone; the program ends here.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectController();
    void connectCommands();
    void applyCaptions();
    void setInstallAvailable(bool available);
    void showProgress(int value);
    void showPicture(const Picture& picture);
    void chooseLanguage();
    SettingsDialog* settingsDialog();
    AboutDialog* aboutDialog();

    SkinController& controller_;
    UrlFetcher& fetcher_;
    CommandRunner* runner_ = nullptr;
    bool centred_ = false;
    bool captionsApplied_ = false;

    CatalogueTree* tree_ = nullptr;
    SkinPreviewLabel* preview_ = nullptr;
    QPushButton* installButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* refreshItem_ = nullptr;
    QAction* closeItem_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QAction* installItem_ = nullptr;
    QAction* removeItem_ = nullptr;
    QAction* pickFileItem_ = nullptr;
    QAction* settingsItem_ = nullptr;
    QAction* languageItem_ = nullptr;
    QAction* expandAllItem_ = nullptr;
    QAction* collapseAllItem_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* visitItem_ = nullptr;
    QAction* aboutItem_ = nullptr;

    SettingsDialog* settingsDialog_ = nullptr;
    AboutDialog* aboutDialog_ = nullptr;
    QPointer<LanguageChooserDialog> chooser_;
};
