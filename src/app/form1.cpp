#include "app/form1.h"

#include "app/command_line.h"
#include "app/interface_look.h"
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "app/startup_rules.h"
#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "language/form4.h"
#include "platform/platform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <optional>

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
constexpr int ProgressStep = 10;

// QProgressBar repaints at once, synchronously, on every visible change; over a pass of a hundred
// downloads that painting cost more than the downloads. The bar is painted at the next turn of
// the event loop instead, as every other control is.
void setProgressValue(QProgressBar* bar, int value)
{
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
}
} // namespace

Form1::Form1(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform)
{
    initDrapelloResources();
    setObjectName(QStringLiteral("Form1"));
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
    connectCommands();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    TV1 = new KeyedTree(client);
    TV1->setObjectName(QStringLiteral("TV1"));
    TV1->setGeometry(8, 32, 203, 293);

    scrSkin = new PictureBox(client);
    scrSkin->setObjectName(QStringLiteral("scrSkin"));
    scrSkin->setGeometry(216, 32, 203, 293);
    scrSkin->showImage(QImage(QStringLiteral(":/drapello/placeholder.jpg")));

    SetSkin = new QPushButton(LanguageTable::defaultText(1), client);
    SetSkin->setObjectName(QStringLiteral("SetSkin"));
    SetSkin->setGeometry(338, 5, 81, 25);
    SetSkin->setEnabled(false);

    StatusBar1 = new QStatusBar(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, ClientHeight - StatusHeight, ClientWidth, StatusHeight);
    // Placed by hand: the status bar's own layout margins would clip the descenders in 17 px.
    statusText_ = new QLabel(QStringLiteral("Drapello geladen..."), StatusBar1);
    statusText_->setGeometry(3, 0, ClientWidth - 3, StatusHeight);
    statusText_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusText_->setTextFormat(Qt::PlainText); // it carries names from the server

    // Lies over the right end of the status bar.
    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(312, 339, 113, 13);
    ProgressBar1->raise();

    loading = new QTimer(this);
    loading->setObjectName(QStringLiteral("loading"));
    loading->setInterval(10);
}

void Form1::buildMenus()
{
    auto item = [](QMenu* parent, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {}) {
        QAction* action = parent->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        return action;
    };
    auto separator = [](QMenu* parent, const char* name) {
        QAction* action = parent->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto text = &LanguageTable::defaultText;

    menu.file = menuBar()->addMenu(text(11));
    menu.file->setObjectName(QStringLiteral("file"));
    menu.update = item(menu.file, "update", text(12), QKeySequence(Qt::CTRL | Qt::Key_U));
    menu.none1 = separator(menu.file, "none1");
    menu.close = item(menu.file, "close", text(13), QKeySequence(Qt::CTRL | Qt::Key_S));

    menu.options = menuBar()->addMenu(text(14));
    menu.options->setObjectName(QStringLiteral("options"));
    menu.skin = item(menu.options, "skin", text(15), QKeySequence(Qt::CTRL | Qt::Key_I));
    menu.skin->setEnabled(false);
    menu.deleteskins = item(menu.options, "deleteskins", text(16));
    menu.manualskin = item(menu.options, "manualskin", text(17));
    menu.none2 = separator(menu.options, "none2");
    menu.settings = item(menu.options, "settings", text(18));
    menu.language = item(menu.options, "language", text(19));
    menu.none4 = separator(menu.options, "none4");
    menu.out = item(menu.options, "out", text(20));
    menu.in = item(menu.options, "in", text(21));

    menu.help = menuBar()->addMenu(text(22));
    menu.help->setObjectName(QStringLiteral("help"));
    menu.visit = item(menu.help, "visit", text(23));
    menu.none3 = separator(menu.help, "none3");
    menu.about = item(menu.help, "about", QStringLiteral("About"));
}

void Form1::connectCommands()
{
    auto command = [this](auto handler) {
        return [this, handler] { runCommand([this, handler] { (this->*handler)(); }); };
    };
    connect(menu.update, &QAction::triggered, this, command(&Form1::update_Click));
    connect(menu.close, &QAction::triggered, this, command(&Form1::close_Click));
    connect(menu.skin, &QAction::triggered, this, command(&Form1::skin_Click));
    connect(menu.deleteskins, &QAction::triggered, this, command(&Form1::deleteskins_Click));
    connect(menu.manualskin, &QAction::triggered, this, command(&Form1::manualskin_Click));
    connect(menu.settings, &QAction::triggered, this, command(&Form1::settings_Click));
    connect(menu.language, &QAction::triggered, this, command(&Form1::language_Click));
    connect(menu.out, &QAction::triggered, this, command(&Form1::expandAll));
    connect(menu.in, &QAction::triggered, this, command(&Form1::collapseAll));
    connect(menu.visit, &QAction::triggered, this, command(&Form1::visit_Click));
    connect(menu.about, &QAction::triggered, this, command(&Form1::about_Click));
    connect(SetSkin, &QPushButton::clicked, this, command(&Form1::SetSkin_Click));
    connect(TV1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        runCommand([this, node] { TV1_NodeClick(node); });
    });
    // The keyboard previews as a click does, once the keys rest.
    connect(TV1, &KeyedTree::currentSettled, this, [this](QTreeWidgetItem* node) {
        if (!commandRunning())
            runCommand([this, node] { TV1_NodeClick(node); });
    });
    connect(loading, &QTimer::timeout, this, [this] {
        // A tick that arrives while a command waits (a download, closing Messenger) leaves the
        // timer armed; the pass runs at the first tick after that command.
        if (commandRunning())
            return;
        runCommand([this] { loading_Timer(); });
    });
}

void Form1::finishCommand()
{
    --commandDepth_;
    if (commandDepth_ == 0 && closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

// ---------------------------------------------------------------- start-up and shutdown

void Form1::ensureLoaded()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
}

void Form1::Form_Load()
{
    loading->start(); // armed at load; every way out of a failed load disables it again
    try {
        const CommandLine args = parseCommandLine(commandLine_);
        if (args.loadCache) {
            skinFromCommandLine = true;
        } else if (!args.path.isEmpty() && isOrdinaryFile(args.path)) {
            skinFile = args.path;
            scrSkin->loadPicture(skinFile);
            enableInstall();
            skinFromCommandLine = true;
        }

        form2()->setCheckValue(toInteger16(getSetting(SettingKeys::updatelist)));
        updateAtStart = static_cast<qint16>(form2()->checkValue());

        useCache = decideUseCache(skinFromCommandLine, updateAtStart);
        // Settings that cannot be stored are reported, but the window still gets its catalogue
        // root and server, so that a refresh works in this run.
        std::optional<AppError> notStored;
        try {
            saveSetting(SettingKeys::path, programFolder());
        } catch (const AppError& error) {
            notStored = error;
        }
        baseUrl = getSetting(SettingKeys::base);

        TV1->addNode(QString(), QStringLiteral("voruzide"), QStringLiteral(" VOR Uzide"));
        expandAll();
        if (notStored)
            throw *notStored;
    } catch (const AppError& error) {
        loadFailed_ = true;
        commonError(error);
    }
}

void Form1::showMain()
{
    ensureLoaded();
    show();
    raise();
    activateWindow();
}

void Form1::showEvent(QShowEvent* event)
{
    ensureLoaded();
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

void Form1::close_Click()
{
    close(); // the unload below takes the dialogs with it
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (commandRunning()) {
        // Never pull the window from under a running command; close once it has ended. A
        // download it waits for ends now rather than at the server's leisure.
        closePending_ = true;
        platform_.fetcher->cancel();
        event->ignore();
        return;
    }
    loading->stop();
    if (chooser_)
        chooser_->close();
    if (form3_)
        form3_->hide();
    if (form2_)
        form2_->hide();
    event->accept();
    Q_EMIT unloaded();
}

void Form1::bringToFront()
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

// ---------------------------------------------------------------- window operations

void Form1::setStatus(const QString& text)
{
    ensureLoaded();
    statusText_->setText(visibleOnOneLine(text));
}

QString Form1::statusText() const
{
    return statusText_->text();
}

void Form1::add(int hoeveel)
{
    // Always one step of ten, whatever the caller asks; a step past the end is dropped.
    Q_UNUSED(hoeveel);
    const int next = ProgressBar1->value() + ProgressStep;
    if (next <= ProgressBar1->maximum())
        setProgressValue(ProgressBar1, next);
}

void Form1::clear()
{
    setProgressValue(ProgressBar1, 0);
}

void Form1::enableInstall()
{
    SetSkin->setEnabled(true);
    menu.skin->setEnabled(true);
}

void Form1::expandAll()
{
    for (int i = 1; i <= TV1->nodeCount(); ++i)
        TV1->node(i)->setExpanded(true);
}

void Form1::collapseAll()
{
    for (int i = 2; i <= TV1->nodeCount(); ++i)
        TV1->node(i)->setExpanded(false);
}

void Form1::commonError(const AppError& error)
{
    loading->stop();
    const QString line = errorLine(lang.MsgErrorPrefix(), error);
    qWarning("%s", qUtf8Printable(line)); // the status bar keeps only the last line
    setStatus(line);
}

QString Form1::getSetting(const SettingKey& key)
{
    return platform_.settings->getSetting(
        QString::fromLatin1(SettingKeys::Application), QString::fromLatin1(SettingKeys::Section),
        QString::fromLatin1(key.name), QString::fromUtf8(key.defaultValue));
}

void Form1::saveSetting(const SettingKey& key, const QString& value)
{
    if (!platform_.settings->saveSetting(QString::fromLatin1(SettingKeys::Application),
                                         QString::fromLatin1(SettingKeys::Section),
                                         QString::fromLatin1(key.name), value))
        throw AppError(75, QStringLiteral("Path/File access error: settings cannot be stored"));
}

QString Form1::programFolder() const
{
    return platform_.programFolder;
}

QString Form1::cacheFolder() const
{
    return platform_.programFolder + QStringLiteral("/Cache");
}
