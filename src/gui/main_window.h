#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>

class AboutDialog;
class CatalogueTree;
class HistoryWindow;
class GalleryWindow;
class LanguageChooserDialog;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;
class ServerDialog;
class SettingsDialog;
class SkinController;
class SkinPreviewLabel;
struct Picture;
struct SkinRef;
enum class UserInput;

// The main window: the catalogue tree, the preview, the install button, the status bar and the
// menus. It forwards the user's actions to the controller as the work policy says, and shows
// what the controller reports.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(SkinController& controller, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window (not modal); nothing changes when it is already visible.
    void showMain();
    // A later start of the program asked for this one: the window in use comes to the front.
    void bringToFront();
    // A picture given from outside (dropped, or named by a later start), as the work policy says.
    void openPicture(const QString& path);
    // The chooser of the first start, listed and not yet shown.
    LanguageChooserDialog* createChooser();

Q_SIGNALS:
    // The window and its dialogs are gone; the program ends here.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectController();
    void connectCommands();
    void applyCaptions();
    // Enables each command as the task running allows.
    void applyPolicy();
    void chooseSkin(const QTreeWidgetItem* node);
    // A skin picked in the gallery goes the way of a click in the tree; activated, it is
    // installed once shown.
    void chooseGallerySkin(SkinRef skin, bool install);
    void languageChosen(const QString& fileName);
    void showProgress(int value);
    void showPicture(const Picture& picture);
    void chooseLanguage();
    // A dialog or window is built when first opened, with the captions in force.
    template <class Window> Window* built(Window*& window);
    GalleryWindow* gallery();

    static constexpr int PaintPaceMs = 40;

    SkinController& controller_;
    QTimer paintPace_;
    // What the user chose last while a task ran (a skin, a picture): done once it ends.
    std::function<void()> afterTask_;
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
    QAction* galleryItem_ = nullptr;
    QAction* historyItem_ = nullptr;
    QAction* serverItem_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* visitItem_ = nullptr;
    QAction* aboutItem_ = nullptr;

    SettingsDialog* settingsDialog_ = nullptr;
    AboutDialog* aboutDialog_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;
    ServerDialog* serverDialog_ = nullptr;
    GalleryWindow* gallery_ = nullptr;
    QPointer<LanguageChooserDialog> chooser_;
};
