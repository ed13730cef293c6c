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
#include <QTimer>
#include <QtTest>

namespace {
// A profile, prepared by the test, then a window started on it as main() starts it.
struct Started {
    TestProfile profile;
    Platform platform;
    std::unique_ptr<Form1> form;

    Form1& start(const QString& commandLine = QString())
    {
        form.reset(); // before the services it uses go
        platform = profile.makePlatform();
        form = std::make_unique<Form1>(platform);
        form->setCommandLine(commandLine);
        form->LoadDefaultLanguage();
        return *form;
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
    void progressBounds();
    void expandAndCollapse();
    void settingsDialogStoresAtOnce();
    void closeWaitsForRunningCommand();
    void failureInCommandIsShownNotThrown();
};

void TestForm1::freshWindow()
{
    Started s;
    Form1& f = s.start();
    QCOMPARE(f.windowTitle(), QStringLiteral("Drapello v1.2 - Korvane Software"));
    QCOMPARE(f.centralWidget()->size(), QSize(428, 353));
    QCOMPARE(f.TV1->geometry(), QRect(8, 32, 203, 293));
    QCOMPARE(f.scrSkin->geometry(), QRect(216, 32, 203, 293));
    QCOMPARE(f.SetSkin->geometry(), QRect(338, 5, 81, 25));
    QCOMPARE(f.ProgressBar1->geometry(), QRect(312, 339, 113, 13));
    QCOMPARE(f.SetSkin->text(), QStringLiteral("&Zet als skin"));
    QVERIFY(!f.SetSkin->isEnabled());
    QVERIFY(!f.scrSkin->currentImage().isNull()); // the placeholder picture
    QCOMPARE(f.ProgressBar1->value(), 0);
    QCOMPARE(f.loading->interval(), 10);
    QVERIFY(!f.windowIcon().isNull());
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed border

    // LoadDefaultLanguage loaded the window: "Geladen", the root, expanded, the timer armed.
    QCOMPARE(f.statusText(), QStringLiteral("Geladen"));
    QCOMPARE(f.TV1->nodeCount(), 1);
    QCOMPARE(f.TV1->node(1)->text(0), QStringLiteral(" VOR Uzide"));
    QCOMPARE(KeyedTree::keyOf(f.TV1->node(1)), QStringLiteral("voruzide"));
    QVERIFY(f.TV1->node(1)->isExpanded());
    QVERIFY(f.loading->isActive());
    // Settings written at start: the program folder and the box's state.
    QCOMPARE(s.profile.setting(QStringLiteral("path")), s.profile.programFolder());
    QCOMPARE(s.profile.setting(QStringLiteral("updatelist")), QStringLiteral("1"));
    QCOMPARE(f.baseUrl, QStringLiteral("http://www.korvane.nl/korvane/base/"));
}

void TestForm1::menus()
{
    Started s;
    Form1& f = s.start();
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
    QTest::addColumn<QString>("error"); // the status line of a failed load, else empty

    QTest::newRow("missing") << QStringLiteral("<missing>") << false << 1 << QString();
    QTest::newRow("1") << QStringLiteral("1") << false << 1 << QString();
    QTest::newRow("0") << QStringLiteral("0") << true << 0 << QString();
    QTest::newRow("2") << QStringLiteral("2") << true << 2 << QString();
    QTest::newRow("x") << QStringLiteral("x") << false << 0
                       << QStringLiteral("Fout opgetreden: 13 - Type mismatch");
    QTest::newRow("7") << QStringLiteral("7") << false << 0
                       << QStringLiteral("Fout opgetreden: 380 - Invalid property value");
}

void TestForm1::updatelist()
{
    QFETCH(QString, stored);
    QFETCH(bool, useCache);
    QFETCH(int, updateAtStart);
    QFETCH(QString, error);

    Started s;
    if (stored != QStringLiteral("<missing>"))
        s.profile.setSetting(QStringLiteral("updatelist"), stored);
    Form1& f = s.start();
    const bool failed = !error.isEmpty();
    QCOMPARE(f.useCache, useCache);
    QCOMPARE(int(f.updateAtStart), updateAtStart);
    QCOMPARE(s.profile.setting(QStringLiteral("updatelist")),
             failed || stored != QStringLiteral("<missing>") ? stored : QStringLiteral("1"));
    QCOMPARE(f.statusText(), failed ? error : QStringLiteral("Geladen"));
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
    QTest::addColumn<QString>("error"); // the status line of a failed load, else empty

    QTest::newRow("none") << QString() << false << false << QString();
    QTest::newRow("quoted gif") << QStringLiteral("\"%1/skins/rood.gif\"") << true << true
                                << QString();
    QTest::newRow("blanks inside, unquoted")
        << QStringLiteral("%1/my skins/rode auto.png") << true << true << QString();
    QTest::newRow("loadcache in a word") << QStringLiteral("XLoadCacheY") << false << true
                                         << QString();
    QTest::newRow("a folder, not a file") << QStringLiteral("%1/skins") << false << false << QString();
    QTest::newRow("not a picture") << QStringLiteral("%1/skins/notes.txt") << false << false
                                   << QStringLiteral("Fout opgetreden: 481 - Invalid picture");
    QTest::newRow("too many frames") << QStringLiteral("%1/skins/many.gif") << false << false
                                     << QStringLiteral("Fout opgetreden: 481 - Invalid picture");
}

void TestForm1::commandLine()
{
    QFETCH(QString, args);
    QFETCH(bool, picture);
    QFETCH(bool, useCache);
    QFETCH(QString, error);

    Started s;
    s.profile.writeFile(QStringLiteral("skins/rood.gif"), makeGif(2));
    s.profile.writeFile(QStringLiteral("my skins/rode auto.png"), makePicture("PNG"));
    s.profile.writeFile(QStringLiteral("skins/notes.txt"), "just text\n");
    s.profile.writeFile(QStringLiteral("skins/many.gif"), makeGif(10001));
    const QString text = args.contains(QStringLiteral("%1")) ? args.arg(s.profile.root()) : args;
    Form1& f = s.start(text);

    QString path = text;
    if (path.startsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    const bool failed = !error.isEmpty();
    QCOMPARE(f.skinFile, (picture || failed) ? path : QString());
    QCOMPARE(f.SetSkin->isEnabled(), picture);
    QCOMPARE(f.menu.skin->isEnabled(), picture);
    QCOMPARE(f.statusText(), failed ? error : QStringLiteral("Geladen"));
    QCOMPARE(f.loading->isActive(), !failed);
    if (!failed)
        QCOMPARE(f.useCache, useCache);
    QCOMPARE(f.TV1->nodeCount(), failed ? 0 : 1);
    if (picture) { // shown at once, the GIF animated
        QCOMPARE(f.scrSkin->currentImage().pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(f.scrSkin->isAnimated(), path.endsWith(QStringLiteral(".gif")));
    }
}

void TestForm1::progressBounds()
{
    Started s;
    Form1& f = s.start();
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
    Form1& f = s.start();
    f.TV1->node(1)->setExpanded(false);
    f.expandAll(); // with only the root, expanding opens it
    QVERIFY(f.TV1->node(1)->isExpanded());

    for (const char* category : {"A", "B"}) {
        const QString key = QString::fromLatin1(category);
        f.TV1->addNode(QStringLiteral("voruzide"), key, key);
        f.TV1->addNode(key, key.toLower(), key.toLower());
    }
    // Through the menu items, as the user runs them.
    f.menu.out->trigger();
    QVERIFY(f.TV1->find(QStringLiteral("A"))->isExpanded());
    QVERIFY(f.TV1->find(QStringLiteral("B"))->isExpanded());
    f.menu.in->trigger();
    QVERIFY(f.TV1->node(1)->isExpanded()); // the categories stay in sight
    QVERIFY(!f.TV1->find(QStringLiteral("A"))->isExpanded());
    QVERIFY(!f.TV1->find(QStringLiteral("B"))->isExpanded());
}

void TestForm1::settingsDialogStoresAtOnce()
{
    Started s;
    {
        Form1& f = s.start();
        Form2* dialog = f.form2();
        QCOMPARE(dialog->Check1->checkState(), Qt::Checked);
        QTimer::singleShot(0, dialog, [dialog] {
            for (int i = 0; i < 3; ++i)
                QTest::mouseClick(dialog->Check1, Qt::LeftButton);
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        });
        f.menu.settings->trigger(); // modal until OK
        QVERIFY(!dialog->isVisible());
        QCOMPARE(s.profile.setting(QStringLiteral("updatelist")), QStringLiteral("0"));
        QVERIFY(!f.useCache); // this run goes on as it started
        QCOMPARE(int(f.updateAtStart), 1);

        // Reopened in the same run, the box shows the last state.
        Qt::CheckState seen = Qt::Checked;
        whileModal(f.menu.settings, [&](QWidget*) {
            seen = dialog->Check1->checkState();
            dialog->close(); // through the frame: hidden, state kept
        });
        QCOMPARE(seen, Qt::Unchecked);
    }
    // The next start works from the cache.
    Form1& next = s.start();
    QVERIFY(next.useCache);
    QCOMPARE(next.form2()->Check1->checkState(), Qt::Unchecked);
}

void TestForm1::closeWaitsForRunningCommand()
{
    Started s;
    Form1& f = s.start();
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
    Form1& f = s.start();
    f.runCommand([] { throw AppError::pathFileAccess(); });
    QCOMPARE(f.statusText(), QStringLiteral("Fout opgetreden: 75 - Path/File access error"));
    QVERIFY(!f.loading->isActive());
    f.runCommand([] { throw std::runtime_error("boom"); });
    QVERIFY(f.statusText().startsWith(QStringLiteral("Fout opgetreden: 51 - ")));
    // Whatever escapes a command still ends it, or every later close would wait for it.
    try {
        f.runCommand([] { throw 42; });
    } catch (int) {
    }
    QVERIFY(!f.commandRunning());
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
