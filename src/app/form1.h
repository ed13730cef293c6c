#pragma once

#include "app/app_error.h"
#include "app/settings_keys.h"
#include "language/language_table.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

class Form2;
class Form3;
class Form4;
class KeyedTree;
class PictureBox;
class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QLabel;
class QTimer;
class QTreeWidgetItem;
struct Platform;

// The main window: owns the shared state, the controls and the language table. Every user
// command enters here; the logic of each behaviour lives in its own folder.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    // ---- shared state
    QString baseUrl;
    bool useCache = false;
    bool skinFromCommandLine = false;
    qint16 updateAtStart = 0;
    QString skinFile;
    LanguageTable lang;

    // ---- controls
    KeyedTree* TV1 = nullptr;
    PictureBox* scrSkin = nullptr;
    QPushButton* SetSkin = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* loading = nullptr;
    struct Menu {
        QMenu* file = nullptr;
        QAction* update = nullptr;
        QAction* none1 = nullptr;
        QAction* close = nullptr;
        QMenu* options = nullptr;
        QAction* skin = nullptr;
        QAction* deleteskins = nullptr;
        QAction* manualskin = nullptr;
        QAction* none2 = nullptr;
        QAction* settings = nullptr;
        QAction* language = nullptr;
        QAction* none4 = nullptr;
        QAction* out = nullptr;
        QAction* in = nullptr;
        QMenu* help = nullptr;
        QAction* visit = nullptr;
        QAction* none3 = nullptr;
        QAction* about = nullptr;
    } menu;

    Platform& platform() { return platform_; }

    // ---- start-up and shutdown (app/)
    // The program's argument text; read by the load step.
    void setCommandLine(const QString& text) { commandLine_ = text; }
    // Runs the load step once, at the first touch of a control or the first show.
    void ensureLoaded();
    bool isLoaded() const { return loaded_; }
    bool loadFailed() const { return loadFailed_; }
    // Shows the window (not modal); nothing changes when it is already visible.
    void showMain();
    void close_Click();
    // A later start of the program asked for this one: the window in use comes to the front.
    void bringToFront();

    // ---- window operations (app/)
    void setStatus(const QString& text);
    QString statusText() const;
    void add(int hoeveel);
    void clear();
    void enableInstall();
    void expandAll();
    void collapseAll();
    // Stop the loading timer, show the error line in the status bar.
    void commonError(const AppError& error);
    QString getSetting(const SettingKey& key);
    void saveSetting(const SettingKey& key, const QString& value);
    QString programFolder() const;
    QString cacheFolder() const; // programFolder() + "/Cache"
    // True while a command runs; a timer tick or close request that arrives meanwhile waits.
    bool commandRunning() const { return commandDepth_ > 0; }

    // Runs a command to its end: a failure that escapes it is shown as the error line, a close
    // request that came in while it ran is carried out afterwards.
    template <class Body> void runCommand(Body&& body);

    // ---- dialogs (dialogs/)
    Form2* form2();
    Form3* form3();
    void settings_Click();
    void about_Click();
    void visit_Click();
    void bezoek(const QString& site);

    // ---- language (language/)
    void LoadDefaultLanguage();
    void LoadLanguage(const QString& strBestandspad);
    void language_Click();
    // The chooser, when one exists (created at start-up, released by its OK button).
    Form4* chooser() const;
    void setChooser(Form4* form4);

    // ---- download (download/)
    // True when the file arrived; the outcome is also shown in the status bar.
    bool downloadfile(const QString& url, const QString& pad, const QString& succesmessage);

    // ---- catalogue (catalogue/)
    void loading_Timer();
    void update_Click();

    // ---- installing (install/)
    void TV1_NodeClick(QTreeWidgetItem* node);
    void changeskin(const QString& setskinfile);
    void SetSkin_Click();
    void skin_Click();
    void deleteskins_Click();
    void manualskin_Click();
    void closemsn();
    void FlushCache();
    // Where copies of replaced backgrounds are kept; empty when there is no data folder.
    QString backupsFolder() const;

Q_SIGNALS:
    // All windows are unloaded; the program ends here.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectCommands();
    void Form_Load();
    bool showPreview(const QString& path);
    // Nothing is previewed: the placeholder is shown and nothing can be installed.
    void dropPreview();
    void finishCommand();

    Platform& platform_;
    QString commandLine_;
    bool loaded_ = false;
    bool loadFailed_ = false;
    bool centred_ = false;
    int commandDepth_ = 0;
    bool closePending_ = false;
    QLabel* statusText_ = nullptr;
    Form2* form2_ = nullptr;
    Form3* form3_ = nullptr;
    QPointer<Form4> chooser_;
};

template <class Body> void Form1::runCommand(Body&& body)
{
    // Ended on every way out, or a close request would wait for ever.
    struct Scope {
        Form1& form;
        ~Scope() { form.finishCommand(); }
    } scope{*this};
    ++commandDepth_;
    try {
        body();
    } catch (const AppError& error) {
        commonError(error);
    } catch (const std::exception& error) {
        commonError(AppError(51, QStringLiteral("Internal error: ") +
                                     QString::fromLocal8Bit(error.what())));
    }
}
