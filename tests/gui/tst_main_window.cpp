// The main window as a user meets it: controls found by name, driven by clicks.
#include "core/skin_controller.h"
#include "gui/language_chooser_dialog.h"
#include "gui/main_window.h"
#include "gui/skin_preview_label.h"
#include "support/test_profile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {
// Runs `inside` once the modal dialog that `open` shows is up, then closes it.
void inModalDialog(QAction* open, const std::function<void(QDialog*)>& inside)
{
    open->trigger();
    QDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())));
    if (QTest::qWaitForWindowExposed(dialog)) {
        QApplication::setActiveWindow(dialog); // no window manager to activate it
        inside(dialog);
    }
    dialog->accept();
}

struct Window {
    Window()
    {
        profile.world.files = {{TestProfile::server() + "voruzide.txt", "Auto*A\r\nB"},
                               {TestProfile::server() + "Auto.txt", "Rood*Kapot"},
                               {TestProfile::server() + "Auto/Rood.gif", makeGif()}};
    }
    void show()
    {
        controller.language().loadDefault();
        controller.start(QString());
        window.showMain();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    template <class T> T* find(const char* name) const
    {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    QString status() const { return find<QLabel>("statusText")->text(); }
    // 0: neither the button nor the menu item can install, 3: both can.
    int installable() const
    {
        return int(find<QPushButton>("installButton")->isEnabled()) +
               2 * int(find<QAction>("installItem")->isEnabled());
    }
    void click(const QString& text)
    {
        auto* tree = find<QTreeWidget>("catalogueTree");
        const QList<QTreeWidgetItem*> items = tree->findItems(text, Qt::MatchRecursive);
        QCOMPARE(items.size(), 1);
        tree->scrollToItem(items.first());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(items.first()).center());
    }
    TestProfile profile;
    SkinController controller{profile.services};
    MainWindow window{controller};
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void installFollowsThePreview()
    {
        Window w;
        w.show();
        QTRY_COMPARE(w.status(),
                     "Fout opgetreden: 52 - Bad file name or number: \"A\\r\\nB\" cannot "
                     "be stored in the cache");
        QCOMPARE(w.find<QTreeWidget>("catalogueTree")->topLevelItem(0)->child(1)->text(0),
                 " A\r\nB");
        QCOMPARE(w.installable(), 0);
        w.find<QAction>("expandAllItem")->trigger();
        w.click("Rood");
        QTRY_COMPARE(w.status(), "Geladen");
        QCOMPARE(w.installable(), 3);
        QCOMPARE(w.find<QProgressBar>("progressBar")->value(), 0);
        w.find<QPushButton>("installButton")->click();
        QTRY_COMPARE(w.status(), "Skin succesvol als achtergrond geplaatst!");
        w.click(" Auto"); // a category changes nothing
        w.click(" VOR Uzide");
        QCOMPARE(w.installable(), 3);
        QCOMPARE(w.status(), "Skin succesvol als achtergrond geplaatst!");
        QCOMPARE(w.find<SkinPreviewLabel>("skinPreview")->currentImage().size(), QSize(8, 8));
        QCOMPARE(readFileBytes(w.profile.cacheFolder() + "/temp.dat"), makeGif());
        w.click("Rood");
        w.click("Kapot"); // not on the server; it takes over from Rood's preview
        QTRY_COMPARE(w.status(), "Fout bij het downloaden!");
        QCOMPARE(w.installable(), 0);
        QCOMPARE(w.profile.world.asked.filter("Rood.gif").size(), 2);
    }
    // Until Esc gives up the stalled list, what would conflict with the pass cannot be chosen.
    void conflictingCommandsGreyedWhileAListStalls()
    {
        Window w;
        w.profile.world.stalled << TestProfile::server() + "Auto.txt";
        w.show();
        auto enabled = [&] {
            QString on;
            for (const char* name : {"refreshItem", "removeItem", "pickFileItem", "serverItem"})
                on += QString::number(int(w.find<QAction>(name)->isEnabled()));
            return on;
        };
        QTRY_COMPARE(w.profile.world.asked.size(), 2);
        QCOMPARE(enabled(), "0000");
        QVERIFY(w.find<QAction>("settingsItem")->isEnabled());
        QTest::keyClick(&w.window, Qt::Key_Escape);
        QTRY_COMPARE(enabled(), "1111");
        QCOMPARE(w.status(),
                 "Skinlijst ontbreekt. Update de skinlijst!"); // no copy to fall back on
    }
    void captionsFromALanguageFile()
    {
        Window w;
        w.show();
        const QImage dutch = w.find<SkinPreviewLabel>("skinPreview")->currentImage();
        // An "&" marks a mnemonic in the About dialog's lines.
        w.controller.language().load(languageFile(w.profile.programFolder() + "/english.lng", 26,
                                                  {{23, "&Visit"}, {24, "Made &for"}}));
        // The caption under the placeholder follows the language too.
        QVERIFY(w.find<SkinPreviewLabel>("skinPreview")->currentImage() != dutch);
        // A refused file changes no caption, also in the dialogs built after it.
        const QByteArray shortFile = QByteArray("S\r\n").repeated(25);
        w.controller.language().load(
            writeFileBytes(w.profile.programFolder() + "/s.lng", shortFile));
        inModalDialog(w.find<QAction>("settingsItem"), [](QDialog* settings) {
            QCOMPARE(settings->windowTitle() + '|' + settings->findChild<QCheckBox*>()->text(),
                     "L18|L26");
        });
        inModalDialog(w.find<QAction>("aboutItem"), [&w](QDialog* about) {
            QCOMPARE(about->findChild<QLabel*>("versionsLabel")->text(), "Made &for");
            about->findChild<QWidget*>("okButton")->setFocus();
            QTest::keyClick(about, Qt::Key_F, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), about->findChild<QWidget*>("thanksText"));
            QTest::keyClick(about, Qt::Key_V, Qt::AltModifier); // the link's key opens the site
            QCOMPARE(w.profile.world.actions.filter("open ").size(), 1);
        });
        QStringList captions; // menus and their items in order, the button last
        for (const QAction* menu : w.window.menuBar()->actions()) {
            captions << menu->text();
            for (const QAction* item : menu->menu()->actions())
                captions << item->text();
        }
        captions << w.find<QPushButton>("installButton")->text();
        QCOMPARE(captions.join(','),
                 "L11,L12,,L13,L14,L15,L16,L17,,L18,L19,,L20,L21,,Gallery,History,Choose skin "
                 "server,L22,&Visit,,About,L1");
    }
    // The server does not answer: the pass ends while the chooser waits. Its OK leaves that failure
    // at the first start only; once the main window was seen, OK empties the status bar.
    void chooserKeepsAFailureOnlyAtTheFirstStart()
    {
        const QString missing = "Skinlijst ontbreekt. Update de skinlijst!";
        for (const bool firstStart : {true, false}) {
            Window w;
            w.profile.world.files.clear();
            LanguageChooserDialog* chooser = w.window.createChooser();
            w.controller.language().loadStored();
            w.controller.start(QString());
            firstStart ? chooser->show() : w.window.showMain();
            QTRY_COMPARE(w.status(), missing);
            chooser->findChild<QPushButton*>("okButton")->click();
            QCOMPARE(w.status(), firstStart ? missing : QString());
            QVERIFY(w.window.isVisible());
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
