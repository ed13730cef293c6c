#include "gui/main_window.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/skin_controller.h"
#include "gui/about_dialog.h"
#include "gui/catalogue_tree.h"
#include "gui/gallery_window.h"
#include "gui/history_window.h"
#include "gui/interface_look.h"
#include "gui/language_chooser_dialog.h"
#include "gui/server_dialog.h"
#include "gui/settings_dialog.h"
#include "gui/skin_preview_label.h"
#include "gui/work_policy.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QUrl>

// Resources compiled into a static library must be registered by hand.
static void initDrapelloResources()
{
    Q_INIT_RESOURCE(drapello);
}

namespace {
// The client area, in pixels at 96 dpi (6420 x 5295 twips).
constexpr int ClientWidth = 428;
constexpr int ClientHeight = 353;
constexpr int StatusHeight = 17;

// One local file, as a start names one picture; anything else is not taken.
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QString path = urls.first().toLocalFile();
    return isOrdinaryFile(path) ? path : QString();
}
} // namespace

MainWindow::MainWindow(SkinController& controller, QWidget* parent)
    : QMainWindow(parent), controller_(controller)
{
    initDrapelloResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Drapello v1.2 - Korvane Software"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/drapello/icon-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/drapello/icon-48.png"), QSize(48, 48));
    setWindowIcon(icon);
    // Fixed single border: no maximise, no resizing.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    buildMenus();
    connectController();
    connectCommands();
    setAcceptDrops(true);
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow()
{
    controller_.setSelection(nullptr);
}

void MainWindow::buildControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    tree_ = new CatalogueTree(client);
    tree_->setObjectName(QStringLiteral("catalogueTree"));
    tree_->setGeometry(8, 32, 203, 293);

    preview_ = new SkinPreviewLabel(client);
    preview_->setObjectName(QStringLiteral("skinPreview"));
    preview_->setGeometry(216, 32, 203, 293);
    preview_->setPlaceholderCaption(controller_.language().text(FixedText::PlaceholderCaption));
    preview_->showPicture(Picture());

    installButton_ = new QPushButton(LanguageTable::defaultText(UiText::InstallButton), client);
    installButton_->setObjectName(QStringLiteral("installButton"));
    installButton_->setGeometry(338, 5, 81, 25);
    installButton_->setEnabled(false);

    auto* statusBar = new QStatusBar(client);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setSizeGripEnabled(false);
    statusBar->setGeometry(0, ClientHeight - StatusHeight, ClientWidth, StatusHeight);
    // Placed by hand: the status bar's own layout margins would clip the descenders in 17 px.
    statusText_ = new QLabel(QStringLiteral("Drapello geladen..."), statusBar);
    statusText_->setObjectName(QStringLiteral("statusText"));
    statusText_->setGeometry(3, 0, ClientWidth - 3, StatusHeight);
    statusText_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusText_->setTextFormat(Qt::PlainText); // it carries names from the server

    // Lies over the right end of the status bar.
    progressBar_ = new QProgressBar(client);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setGeometry(312, 339, 113, 13);
    progressBar_->raise();
}

void MainWindow::buildMenus()
{
    auto item = [](QMenu* menu, const char* name, UiText caption,
                   const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(LanguageTable::defaultText(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        return action;
    };
    auto menu = [this](const char* name, UiText caption) {
        QMenu* added = menuBar()->addMenu(LanguageTable::defaultText(caption));
        added->setObjectName(QString::fromLatin1(name));
        return added;
    };

    fileMenu_ = menu("fileMenu", UiText::FileMenu);
    refreshItem_ = item(fileMenu_, "refreshItem", UiText::RefreshItem, Qt::CTRL | Qt::Key_U);
    fileMenu_->addSeparator();
    closeItem_ = item(fileMenu_, "closeItem", UiText::CloseItem, Qt::CTRL | Qt::Key_S);

    optionsMenu_ = menu("optionsMenu", UiText::OptionsMenu);
    installItem_ = item(optionsMenu_, "installItem", UiText::InstallItem, Qt::CTRL | Qt::Key_I);
    installItem_->setEnabled(false);
    removeItem_ = item(optionsMenu_, "removeItem", UiText::RemoveItem);
    pickFileItem_ = item(optionsMenu_, "pickFileItem", UiText::PickFileItem);
    optionsMenu_->addSeparator();
    settingsItem_ = item(optionsMenu_, "settingsItem", UiText::SettingsItem);
    languageItem_ = item(optionsMenu_, "languageItem", UiText::LanguageItem);
    optionsMenu_->addSeparator();
    expandAllItem_ = item(optionsMenu_, "expandAllItem", UiText::ExpandAllItem);
    collapseAllItem_ = item(optionsMenu_, "collapseAllItem", UiText::CollapseAllItem);
    optionsMenu_->addSeparator();
    galleryItem_ = item(optionsMenu_, "galleryItem", UiText::GalleryItem);
    // Ctrl+H, as browsers open their history.
    historyItem_ = item(optionsMenu_, "historyItem", UiText::HistoryItem, Qt::CTRL | Qt::Key_H);
    serverItem_ = item(optionsMenu_, "serverItem", UiText::ServerItem);

    helpMenu_ = menu("helpMenu", UiText::HelpMenu);
    visitItem_ = item(helpMenu_, "visitItem", UiText::VisitItem);
    helpMenu_->addSeparator();
    aboutItem_ = helpMenu_->addAction(QStringLiteral("About"));
    aboutItem_->setObjectName(QStringLiteral("aboutItem"));
}

void MainWindow::connectController()
{
    controller_.setSelection(tree_);
    const StatusReport* report = &controller_.report();
    connect(report, &StatusReport::statusChanged, this,
            [this](const QString& text) { statusText_->setText(visibleOnOneLine(text)); });
    connect(report, &StatusReport::progressChanged, this, &MainWindow::showProgress);
    connect(report, &StatusReport::busyChanged, this, [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    connect(report, &StatusReport::previewChanged, this, &MainWindow::showPicture);
    connect(report, &StatusReport::installAvailableChanged, this, &MainWindow::applyPolicy);
    connect(&controller_, &SkinController::taskChanged, this, [this](SkinController::Task task) {
        applyPolicy();
        if (task == SkinController::Task::None)
            if (const auto after = std::exchange(afterTask_, nullptr))
                after();
    });
    // A pass that finds its lists ready would repaint the window after each of them, which costs
    // more than the lists: while it fills the tree, the controls are painted at most every
    // PaintPaceMs.
    paintPace_.setSingleShot(true);
    paintPace_.setInterval(PaintPaceMs);
    connect(&paintPace_, &QTimer::timeout, this,
            [this] { centralWidget()->setUpdatesEnabled(true); });
    auto pacePainting = [this] {
        if (paintPace_.isActive())
            return;
        centralWidget()->setUpdatesEnabled(false);
        paintPace_.start();
    };
    CatalogueLoader* catalogue = &controller_.catalogue();
    connect(catalogue, &CatalogueLoader::categoryAdded, this, pacePainting);
    connect(catalogue, &CatalogueLoader::skinsAdded, this, pacePainting);
    connect(catalogue, &CatalogueLoader::catalogueCleared, tree_, &CatalogueTree::clearToRoot);
    connect(catalogue, &CatalogueLoader::categoryAdded, tree_, &CatalogueTree::addCategory);
    connect(catalogue, &CatalogueLoader::skinsAdded, tree_, &CatalogueTree::addSkins);
    connect(&controller_.language(), &LanguageManager::captionsChanged, this,
            &MainWindow::applyCaptions);
}

void MainWindow::connectCommands()
{
    SkinController* c = &controller_;
    // Commands the policy greys out while a task runs are never triggered then.
    connect(refreshItem_, &QAction::triggered, c, &SkinController::refreshCatalogue);
    connect(closeItem_, &QAction::triggered, this, &QWidget::close);
    connect(installItem_, &QAction::triggered, c, &SkinController::installSkin);
    connect(installButton_, &QPushButton::clicked, c, &SkinController::installSkin);
    connect(removeItem_, &QAction::triggered, c, &SkinController::removeSkin);
    connect(pickFileItem_, &QAction::triggered, c, &SkinController::installPickedFile);
    connect(settingsItem_, &QAction::triggered, this, [this] { built(settingsDialog_)->open(); });
    connect(languageItem_, &QAction::triggered, this, &MainWindow::chooseLanguage);
    connect(expandAllItem_, &QAction::triggered, tree_, &CatalogueTree::expandEveryNode);
    connect(collapseAllItem_, &QAction::triggered, tree_, &CatalogueTree::collapseBelowRoot);
    connect(visitItem_, &QAction::triggered, c, &SkinController::visitSite);
    connect(aboutItem_, &QAction::triggered, this, [this] { built(aboutDialog_)->open(); });
    connect(historyItem_, &QAction::triggered, this,
            [this] { built(historyWindow_)->showHistory(); });
    connect(serverItem_, &QAction::triggered, this, [this] { built(serverDialog_)->open(); });
    connect(tree_, &QTreeWidget::itemClicked, this, &MainWindow::chooseSkin);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](const QTreeWidgetItem* node) {
        if (const int category = tree_->categoryIndexOf(node); category >= 0)
            gallery()->showCategory(category);
    });
    connect(galleryItem_, &QAction::triggered, this, [this] { gallery()->showCategory(-1); });
    // The keyboard previews as a click does, once the keys rest.
    connect(tree_, &CatalogueTree::currentSettled, this, &MainWindow::chooseSkin);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("cancelShortcut"));
    connect(escape, &QShortcut::activated, this, [this] {
        if (responseTo(UserInput::Escape, controller_.task()) == Response::CancelsDownload)
            controller_.cancelDownload();
    });
}

void MainWindow::chooseSkin(const QTreeWidgetItem* node)
{
    switch (responseTo(UserInput::ChooseSkin, controller_.task())) {
    case Response::Runs:
    case Response::Replaces:
        controller_.previewSkin(CatalogueTree::nodeOf(node));
        break;
    case Response::AfterTask:
        afterTask_ = [this] { controller_.previewSkin(tree_->currentNode()); };
        break;
    default:
        break;
    }
}

void MainWindow::chooseGallerySkin(SkinRef skin, bool install)
{
    const QTreeWidgetItem* before = tree_->currentItem();
    const QTreeWidgetItem* node = tree_->selectSkin(skin.category, skin.skin);
    if (!node)
        return;
    // Enter on the skin already previewed, or on its way, installs that preview.
    const bool previewed = node == before && (controller_.task() == SkinController::Task::Preview ||
                                              controller_.report().installAvailable());
    if (!install || !previewed)
        chooseSkin(node);
    if (install && responseTo(UserInput::Install, controller_.task()) != Response::Greyed)
        controller_.installSkin();
}

void MainWindow::openPicture(const QString& path)
{
    switch (responseTo(UserInput::OpenPicture, controller_.task())) {
    case Response::Runs:
    case Response::Replaces:
        controller_.openPicture(path);
        break;
    case Response::AfterTask:
        afterTask_ = [this, path] { controller_.openPicture(path); };
        break;
    default:
        break;
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    openPicture(path);
}

void MainWindow::applyPolicy()
{
    const SkinController::Task task = controller_.task();
    auto allowed = [task](UserInput input) { return responseTo(input, task) != Response::Greyed; };
    const bool install = controller_.report().installAvailable() && allowed(UserInput::Install);
    installButton_->setEnabled(install);
    installItem_->setEnabled(install);
    refreshItem_->setEnabled(allowed(UserInput::Refresh));
    removeItem_->setEnabled(allowed(UserInput::Remove));
    pickFileItem_->setEnabled(allowed(UserInput::PickFile));
    serverItem_->setEnabled(allowed(UserInput::ChooseServer));
}

void MainWindow::showProgress(int value)
{
    // QProgressBar repaints at once, synchronously, on every visible change; over a pass of a
    // hundred downloads that painting cost more than the downloads. The bar is painted at the
    // next turn of the event loop instead, as every other control is.
    progressBar_->setUpdatesEnabled(false);
    progressBar_->setValue(value);
    progressBar_->setUpdatesEnabled(true);
}

void MainWindow::showPicture(const Picture& picture)
{
    preview_->showPicture(picture);
}

void MainWindow::applyCaptions()
{
    const LanguageManager& language = controller_.language();
    auto text = [&language](UiText id) { return language.text(id); };
    captionsApplied_ = true;
    installButton_->setText(text(UiText::InstallButton));
    fileMenu_->setTitle(text(UiText::FileMenu));
    refreshItem_->setText(text(UiText::RefreshItem));
    closeItem_->setText(text(UiText::CloseItem));
    optionsMenu_->setTitle(text(UiText::OptionsMenu));
    installItem_->setText(text(UiText::InstallItem));
    removeItem_->setText(text(UiText::RemoveItem));
    pickFileItem_->setText(text(UiText::PickFileItem));
    settingsItem_->setText(text(UiText::SettingsItem));
    languageItem_->setText(text(UiText::LanguageItem));
    expandAllItem_->setText(text(UiText::ExpandAllItem));
    collapseAllItem_->setText(text(UiText::CollapseAllItem));
    helpMenu_->setTitle(text(UiText::HelpMenu));
    visitItem_->setText(text(UiText::VisitItem));
    galleryItem_->setText(text(UiText::GalleryItem));
    historyItem_->setText(text(UiText::HistoryItem));
    serverItem_->setText(text(UiText::ServerItem));
    preview_->setPlaceholderCaption(language.text(FixedText::PlaceholderCaption));
    // The dialogs get theirs whether or not they were ever opened, and keep them.
    const auto apply = [](auto* window) {
        if (window)
            window->applyCaptions();
    };
    apply(settingsDialog_);
    apply(aboutDialog_);
    apply(historyWindow_);
    apply(serverDialog_);
    apply(gallery_);
}

template <class Window> Window* MainWindow::built(Window*& window)
{
    if (!window) {
        window = new Window(controller_, this);
        if (captionsApplied_)
            window->applyCaptions();
    }
    return window;
}

GalleryWindow* MainWindow::gallery()
{
    if (!gallery_) {
        built(gallery_);
        connect(gallery_, &GalleryWindow::skinChosen, this,
                [this](SkinRef skin) { chooseGallerySkin(skin, false); });
        connect(gallery_, &GalleryWindow::skinActivated, this,
                [this](SkinRef skin) { chooseGallerySkin(skin, true); });
    }
    return gallery_;
}

LanguageChooserDialog* MainWindow::createChooser()
{
    chooser_ = new LanguageChooserDialog(controller_.language(), this);
    chooser_->listLanguageFiles();
    connect(chooser_, &LanguageChooserDialog::chosen, this, &MainWindow::languageChosen);
    // Closed without a choice before the main window was ever shown: nothing is left to use.
    connect(chooser_, &LanguageChooserDialog::dismissed, this, [this] {
        if (!isVisible())
            close();
    });
    return chooser_;
}

void MainWindow::languageChosen(const QString& fileName)
{
    // Shown first: a message the choice brings goes over the window, not under it.
    const bool firstStart = !isVisible();
    showMain();
    const std::optional<AppError> notStored =
        controller_.language().confirmChoice(fileName, firstStart);
    if (notStored)
        controller_.reportError(*notStored);
}

void MainWindow::chooseLanguage()
{
    // The chooser hidden since a start that skipped it is shown as it is; once OK has released
    // it, every opening builds it anew and applies the stored language again.
    if (!chooser_) {
        createChooser();
        controller_.language().loadStored();
    }
    chooser_->open();
}

void MainWindow::showMain()
{
    show();
    raise();
    activateWindow();
    // A message that came before the window (a language file at the start) stays in front.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        if (modal->parentWidget() == this) // placed while this window had no place yet
            modal->move(frameGeometry().center() - modal->rect().center());
        modal->raise();
        modal->activateWindow();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing ends whatever runs, at once: nothing the user waits for outlives the window, and
    // nothing new starts as it ends.
    afterTask_ = nullptr;
    disconnect(&controller_, nullptr, this, nullptr);
    controller_.shutDown();
    if (chooser_)
        chooser_->close();
    for (QWidget* window : std::initializer_list<QWidget*>{aboutDialog_, settingsDialog_,
                                                           historyWindow_, serverDialog_}) {
        if (window)
            window->hide();
    }
    if (gallery_)
        gallery_->close();
    event->accept();
    Q_EMIT closed();
}

void MainWindow::bringToFront()
{
    // A modal dialog stays above its owner; at the first start the chooser is the only window.
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = isVisible() || !chooser_ ? static_cast<QWidget*>(this) : chooser_.data();
    if (front->isVisible()) {
        front->setWindowState(front->windowState() & ~Qt::WindowMinimized);
        front->raise();
        front->activateWindow();
    }
}
