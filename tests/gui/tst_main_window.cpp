// The main window as a user meets it: controls found by name, driven by clicks.
#include "core/skin_controller.h"
#include "gui/main_window.h"
#include "support/test_profile.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {
struct Window {
    Window()
    {
        profile.world.files = {{TestProfile::server() + "voruzide.txt", "Auto*A\r\nB"},
                               {TestProfile::server() + "Auto.txt", "Rood*Kapot"},
                               {TestProfile::server() + "Auto\\Rood.gif", makeGif()}};
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
    MainWindow window{controller, *profile.services.fetcher};
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void installFollowsThePreview();
    void captionsFromALanguageFile();
};

void TestMainWindow::installFollowsThePreview()
{
    Window w;
    QTRY_COMPARE(w.status(), "Fout opgetreden: 52 - Bad file name or number: \"A\\r\\nB\" cannot "
                             "be stored in the cache");
    QCOMPARE(w.find<QTreeWidget>("catalogueTree")->topLevelItem(0)->child(1)->text(0), " A\r\nB");
    QCOMPARE(w.installable(), 0);
    w.find<QAction>("expandAllItem")->trigger();
    w.click("Rood");
    QCOMPARE(w.status(), "Geladen");
    QCOMPARE(w.installable(), 3);
    QCOMPARE(w.find<QProgressBar>("progressBar")->value(), 0);
    w.find<QPushButton>("installButton")->click();
    QCOMPARE(w.status(), "Skin succesvol als achtergrond geplaatst!");
    QCOMPARE(readFileBytes(w.profile.messengerFolder() + "/lvback.gif"), makeGif());
    w.click(" Auto"); // a category: nothing to install
    QCOMPARE(w.installable(), 0);
    w.click("Rood");
    w.click("Kapot"); // not on the server
    QCOMPARE(w.status(), "Fout bij het downloaden!");
    QCOMPARE(w.installable(), 0);
}

void TestMainWindow::captionsFromALanguageFile()
{
    Window w;
    w.controller.language().load(languageFile(w.profile.programFolder() + "/test.lng", 26));
    QStringList captions; // menus and their items in order, the button last
    for (const QAction* menu : w.window.menuBar()->actions()) {
        captions << menu->text();
        for (const QAction* item : menu->menu()->actions())
            captions << item->text();
    }
    captions << w.find<QPushButton>("installButton")->text();
    QCOMPARE(captions.join(','),
             "L11,L12,,L13,L14,L15,L16,L17,,L18,L19,,L20,L21,L22,L23,,About,L1");
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
