// The main window as a user meets it: start-up against a real settings file and program folder,
// the command line, the controls and menus, progress, expand/collapse, the settings dialog.
#include "app/form1.h"
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "dialogs/form2.h"
#include "support/test_platform.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

namespace {
struct Started {
    TestProfile profile;
    Platform platform;
    std::unique_ptr<Form1> form;

    explicit Started(const QString& commandLine = QString(),
                     const std::function<void(TestProfile&)>& prepare = {})
    {
        if (prepare)
            prepare(profile);
        platform = profile.makePlatform();
        form = std::make_unique<Form1>(platform);
        form->setCommandLine(commandLine);
        form->LoadDefaultLanguage();
    }
};
} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshWindow();
    void menus();
    void updatelist_data();
    void updatelist();
    void commandLine_data();
    void commandLine();
    void pictureOnCommandLineIsShown();
    void progressBounds();
    void expandAndCollapse();
    void settingsDialogStoresAtOnce();
    void closeWaitsForRunningCommand();
    void failureInCommandIsShownNotThrown();
};

void TestForm1::freshWindow()
{
    Started s;
    Form1& f = *s.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("Drapello v1.2 - Korvane Software"));
    QCOMPARE(f.centralWidget()->size(), QSize(428, 353));
    QCOMPARE(f.TV1->geometry(), QRect(8, 32, 203, 293));
    QCOMPARE(f.scrSkin->geometry(), QRect(216, 32, 203, 293));
    QCOMPARE(f.SetSkin->geometry(), QRect(338, 5, 81, 25));
    QCOMPARE(f.ProgressBar1->geometry(), QRect(312, 339, 113, 13));
    QCOMPARE(f.SetSkin->text(), QStringLiteral("&Zet als skin"));
    QVERIFY(!f.SetSkin->isEnabled());
    QVERIFY(!f.menu.skin->isEnabled());
    QVERIFY(!f.scrSkin->currentImage().isNull()); // the placeholder picture
    QCOMPARE(f.ProgressBar1->minimum(), 0);
    QCOMPARE(f.ProgressBar1->maximum(), 100);
    QCOMPARE(f.ProgressBar1->value(), 0);
    QCOMPARE(f.loading->interval(), 10);
    QVERIFY(!f.windowIcon().isNull());
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed border

    // LoadDefaultLanguage loaded the window: "Geladen", the root, expanded, the timer armed.
    QVERIFY(f.isLoaded());
    QCOMPARE(f.statusText(), QStringLiteral("Geladen"));
    QCOMPARE(f.TV1->nodeCount(), 1);
    QCOMPARE(f.TV1->node(1)->text(0), QStringLiteral(" VOR Uzide"));
    QCOMPARE(KeyedTree::keyOf(f.TV1->node(1)), QStringLiteral("voruzide"));
    QVERIFY(f.TV1->node(1)->isExpanded());
    QVERIFY(f.loading->isActive());
    QCOMPARE(f.lang.MsgErrorPrefix(), QStringLiteral("Fout opgetreden: "));
    QCOMPARE(f.lang.MsgSkinDownloaded(), QStringLiteral("Skin succesvol gedownload!"));

    // Settings written at start: the program folder and the box's state.
    QCOMPARE(s.profile.setting(QStringLiteral("path")), s.profile.programFolder());
    QCOMPARE(s.profile.setting(QStringLiteral("updatelist")), QStringLiteral("1"));
    QCOMPARE(f.baseUrl, QStringLiteral("http://www.korvane.nl/korvane/base/"));
    QVERIFY(f.baseUrl.endsWith(QStringLiteral("/korvane/base/")));
}

void TestForm1::menus()
{
    Started s;
    Form1& f = *s.form;
    struct Row {
        QMenu* menu;
        QStringList items; // objectName|caption|shortcut
    };
    const QList<Row> rows = {
        {f.menu.file,
         {QStringLiteral("update|Update Skin-Lijst|Ctrl+U"), QStringLiteral("none1||"),
          QStringLiteral("close|Sluiten|Ctrl+S")}},
        {f.menu.options,
         {QStringLiteral("skin|Zet als skin|Ctrl+I"), QStringLiteral("deleteskins|Skin weghalen|"),
          QStringLiteral("manualskin|Skin handmatig instellen|"), QStringLiteral("none2||"),
          QStringLiteral("settings|Instellingen|"),
          QStringLiteral("language|Taal modules installeren|"), QStringLiteral("none4||"),
          QStringLiteral("out|Alles uitklappen|"), QStringLiteral("in|Alles inklappen|")}},
        {f.menu.help,
         {QStringLiteral("visit|Bezoek www.korvane.nl|"), QStringLiteral("none3||"),
          QStringLiteral("about|About|")}},
    };
    const QList<QAction*> bar = f.menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar[0]->text(), QStringLiteral("&Bestand"));
    QCOMPARE(bar[1]->text(), QStringLiteral("&Opties"));
    QCOMPARE(bar[2]->text(), QStringLiteral("&Help"));
    for (const Row& row : rows) {
        const QList<QAction*> actions = row.menu->actions();
        QCOMPARE(actions.size(), row.items.size());
        for (int i = 0; i < actions.size(); ++i) {
            const QStringList want = row.items[i].split(QLatin1Char('|'));
            QCOMPARE(actions[i]->objectName(), want[0]);
            QCOMPARE(actions[i]->isSeparator(), want[0].startsWith(QStringLiteral("none")));
            QCOMPARE(actions[i]->text(), want[1]);
            QCOMPARE(actions[i]->shortcut().toString(), want[2]);
            QCOMPARE(actions[i]->isEnabled(), want[0] != QStringLiteral("skin"));
        }
    }
}

void TestForm1::updatelist_data()
{
    QTest::addColumn<QString>("stored"); // "<missing>" for no value
    QTest::addColumn<bool>("useCache");
    QTest::addColumn<int>("updateAtStart");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QString>("status");

    QTest::newRow("missing") << QStringLiteral("<missing>") << false << 1 << QStringLiteral("1")
                             << QStringLiteral("Geladen");
    QTest::newRow("1") << QStringLiteral("1") << false << 1 << QStringLiteral("1")
                       << QStringLiteral("Geladen");
    QTest::newRow("0") << QStringLiteral("0") << true << 0 << QStringLiteral("0")
                       << QStringLiteral("Geladen");
    QTest::newRow("2") << QStringLiteral("2") << true << 2 << QStringLiteral("2")
                       << QStringLiteral("Geladen");
    QTest::newRow("x") << QStringLiteral("x") << false << 0 << QStringLiteral("x")
                       << QStringLiteral("Fout opgetreden: 13 - Type mismatch");
    QTest::newRow("7") << QStringLiteral("7") << false << 0 << QStringLiteral("7")
                       << QStringLiteral("Fout opgetreden: 380 - Invalid property value");
}

void TestForm1::updatelist()
{
    QFETCH(QString, stored);
    QFETCH(bool, useCache);
    QFETCH(int, updateAtStart);
    QFETCH(QString, storedAfter);
    QFETCH(QString, status);

    Started s(QString(), [&](TestProfile& p) {
        if (stored != QStringLiteral("<missing>"))
            p.setSetting(QStringLiteral("updatelist"), stored);
    });
    Form1& f = *s.form;
    QCOMPARE(f.useCache, useCache);
    QCOMPARE(int(f.updateAtStart), updateAtStart);
    QCOMPARE(s.profile.setting(QStringLiteral("updatelist")), storedAfter);
    QCOMPARE(f.statusText(), status);
    const bool failed = status.startsWith(QStringLiteral("Fout"));
    // A failed load leaves the timer off, no root node, and "path" unwritten.
    QCOMPARE(f.loading->isActive(), !failed);
    QCOMPARE(f.TV1->nodeCount(), failed ? 0 : 1);
    QCOMPARE(s.profile.setting(QStringLiteral("path")),
             failed ? QStringLiteral("<missing>") : s.profile.programFolder());
}

void TestForm1::commandLine_data()
{
    QTest::addColumn<QString>("args");  // %1 stands for the profile's folder
    QTest::addColumn<bool>("picture");  // a picture is made ready
    QTest::addColumn<bool>("useCache");
    QTest::addColumn<QString>("status");

    QTest::newRow("none") << QString() << false << false << QStringLiteral("Geladen");
    QTest::newRow("quoted gif") << QStringLiteral("\"%1/skins/rood.gif\"") << true << true
                                << QStringLiteral("Geladen");
    QTest::newRow("unquoted gif") << QStringLiteral("%1/skins/rood.gif") << true << true
                                  << QStringLiteral("Geladen");
    QTest::newRow("blanks inside") << QStringLiteral("%1/my skins/rode auto.png") << true << true
                                   << QStringLiteral("Geladen");
    QTest::newRow("loadcache in a word") << QStringLiteral("XLoadCacheY") << false << true
                                         << QStringLiteral("Geladen");
    QTest::newRow("a folder") << QStringLiteral("%1/skins") << false << false
                              << QStringLiteral("Geladen");
    QTest::newRow("missing file") << QStringLiteral("\"%1/skins/none.gif\"") << false << false
                                  << QStringLiteral("Geladen");
    QTest::newRow("not a picture") << QStringLiteral("%1/skins/notes.txt") << false << false
                                   << QStringLiteral("Fout opgetreden: 481 - Invalid picture");
}

void TestForm1::commandLine()
{
    QFETCH(QString, args);
    QFETCH(bool, picture);
    QFETCH(bool, useCache);
    QFETCH(QString, status);

    TestProfile* profile = nullptr;
    Started s(QString(), [&](TestProfile& p) {
        profile = &p;
        p.writeFile(QStringLiteral("skins/rood.gif"), makeGif());
        p.writeFile(QStringLiteral("my skins/rode auto.png"), makePicture("PNG"));
        p.writeFile(QStringLiteral("skins/notes.txt"), "just text\n");
    });
    Q_UNUSED(profile);
    // Start a second window on the same profile with the command line under test.
    Platform platform = s.profile.makePlatform();
    Form1 f(platform);
    const QString text = args.contains(QStringLiteral("%1")) ? args.arg(s.profile.root()) : args;
    f.setCommandLine(text);
    f.LoadDefaultLanguage();

    QString path = text;
    if (path.startsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    const bool notPicture = status.startsWith(QStringLiteral("Fout"));
    QCOMPARE(f.skinFile, (picture || notPicture) ? path : QString());
    QCOMPARE(f.SetSkin->isEnabled(), picture);
    QCOMPARE(f.menu.skin->isEnabled(), picture);
    QCOMPARE(f.statusText(), status);
    QCOMPARE(f.loading->isActive(), !notPicture);
    if (!notPicture)
        QCOMPARE(f.useCache, useCache);
    QCOMPARE(f.TV1->nodeCount(), notPicture ? 0 : 1);
}

void TestForm1::pictureOnCommandLineIsShown()
{
    TestProfile profile;
    const QString gif = profile.writeFile(QStringLiteral("a.gif"), makeGif(2));
    Platform platform = profile.makePlatform();
    Form1 f(platform);
    f.setCommandLine(QLatin1Char('"') + gif + QLatin1Char('"'));
    f.LoadDefaultLanguage();
    QCOMPARE(f.skinFile, gif);
    QVERIFY(f.scrSkin->isAnimated());
    QCOMPARE(f.scrSkin->currentImage().size(), QSize(8, 8));
    QCOMPARE(f.scrSkin->currentImage().pixelColor(0, 0), QColor(Qt::red));
}

void TestForm1::progressBounds()
{
    Started s;
    Form1& f = *s.form;
    f.add(1);
    QCOMPARE(f.ProgressBar1->value(), 10);
    f.add(10);
    QCOMPARE(f.ProgressBar1->value(), 20);
    for (int i = 0; i < 20; ++i)
        f.add(1);
    QCOMPARE(f.ProgressBar1->value(), 100);
    f.clear();
    QCOMPARE(f.ProgressBar1->value(), 0);
    f.ProgressBar1->setValue(95);
    f.add(1); // a step past the end is dropped, not clipped
    QCOMPARE(f.ProgressBar1->value(), 95);
}

void TestForm1::expandAndCollapse()
{
    Started s;
    Form1& f = *s.form;
    // Only the root: collapsing changes nothing, expanding opens the root.
    f.collapseAll();
    QVERIFY(f.TV1->node(1)->isExpanded());
    f.TV1->node(1)->setExpanded(false);
    f.expandAll();
    QVERIFY(f.TV1->node(1)->isExpanded());

    f.TV1->addNode(QStringLiteral("voruzide"), QStringLiteral("A"), QStringLiteral(" A"));
    f.TV1->addNode(QStringLiteral("A"), QStringLiteral("a1"), QStringLiteral("a1"));
    f.TV1->addNode(QStringLiteral("voruzide"), QStringLiteral("B"), QStringLiteral(" B"));
    f.TV1->addNode(QStringLiteral("B"), QStringLiteral("b1"), QStringLiteral("b1"));
    f.expandAll();
    QVERIFY(f.TV1->find(QStringLiteral("A"))->isExpanded());
    QVERIFY(f.TV1->find(QStringLiteral("B"))->isExpanded());
    f.collapseAll();
    QVERIFY(f.TV1->node(1)->isExpanded()); // the categories stay in sight
    QVERIFY(!f.TV1->find(QStringLiteral("A"))->isExpanded());
    QVERIFY(!f.TV1->find(QStringLiteral("B"))->isExpanded());

    // The menu items run the same commands.
    f.menu.out->trigger();
    QVERIFY(f.TV1->find(QStringLiteral("B"))->isExpanded());
    f.menu.in->trigger();
    QVERIFY(!f.TV1->find(QStringLiteral("B"))->isExpanded());
}

void TestForm1::settingsDialogStoresAtOnce()
{
    TestProfile profile;
    {
        Platform platform = profile.makePlatform();
        Form1 f(platform);
        f.LoadDefaultLanguage();
        Form2* dialog = f.form2();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Instellingen"));
        QCOMPARE(dialog->Check1->text(),
                 QStringLiteral("Bij opstarten, de skin-lijst updaten (aanbevolen)"));
        QCOMPARE(dialog->size(), QSize(280, 160));
        QCOMPARE(dialog->Check1->checkState(), Qt::Checked);

        QTimer::singleShot(0, dialog, [dialog] {
            QTest::mouseClick(dialog->Check1, Qt::LeftButton);
            QTest::mouseClick(dialog->Check1, Qt::LeftButton);
            QTest::mouseClick(dialog->Check1, Qt::LeftButton);
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        });
        f.menu.settings->trigger(); // modal until OK
        QVERIFY(!dialog->isVisible());
        QCOMPARE(profile.setting(QStringLiteral("updatelist")), QStringLiteral("0"));
        QVERIFY(!f.useCache); // this run goes on as it started
        QCOMPARE(int(f.updateAtStart), 1);

        // Reopened in the same run, the box shows the last state.
        QTimer::singleShot(0, dialog, [dialog] {
            QCOMPARE(dialog->Check1->checkState(), Qt::Unchecked);
            dialog->close(); // through the frame: hidden, state kept
        });
        f.menu.settings->trigger();
        QCOMPARE(dialog->Check1->checkState(), Qt::Unchecked);
    }
    // The next start works from the cache.
    Platform platform = profile.makePlatform();
    Form1 next(platform);
    next.LoadDefaultLanguage();
    QVERIFY(next.useCache);
    QCOMPARE(next.form2()->Check1->checkState(), Qt::Unchecked);
}

void TestForm1::closeWaitsForRunningCommand()
{
    Started s;
    Form1& f = *s.form;
    f.showMain();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    bool visibleAfterCloseRequest = false;
    f.runCommand([&] {
        f.close(); // e.g. the window manager's close box while a download waits
        visibleAfterCloseRequest = f.isVisible();
    });
    QVERIFY(visibleAfterCloseRequest);
    QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 5000); // carried out, not lost
}

void TestForm1::failureInCommandIsShownNotThrown()
{
    Started s;
    Form1& f = *s.form;
    f.runCommand([] { throw AppError::pathFileAccess(); });
    QCOMPARE(f.statusText(), QStringLiteral("Fout opgetreden: 75 - Path/File access error"));
    QVERIFY(!f.loading->isActive());
    f.runCommand([] { throw std::runtime_error("boom"); });
    QVERIFY(f.statusText().startsWith(QStringLiteral("Fout opgetreden: 51 - ")));
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
