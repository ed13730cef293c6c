// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QtTest>
#include <sys/stat.h>

namespace {
// An exit "at once": far below the 30 s a silent server is waited for, far above what closing
// takes on a busy machine.
constexpr int ExitBoundMs = 5000;

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool askedFor(const HttpTestServer& server, const QString& suffix)
{
    const QStringList paths = server.requestedPaths();
    return std::any_of(paths.cbegin(), paths.cend(),
                       [&](const QString& path) { return path.endsWith(suffix); });
}

// Selects the tree's root and opens every branch ("*"); returns where the tree's rows start.
int openTree(const QString& window)
{
    // The client area is 353 pixels high; the menu bar sits above it.
    const int top = 32 + ProgramRun::windowSize(window).height() - 353;
    ProgramRun::clickAt(window, QPoint(48, top + 4));
    ProgramRun::pressKeys(window, QStringLiteral("KP_Multiply"));
    return top;
}

// Clicks down the open tree's rows until done() holds. Clicks given while the program waits
// on the server take effect once it is done.
bool clickTreeUntil(const QString& window, const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        const int top = openTree(window);
        for (int y = 14; y < 280 && !done(); y += 6) {
            ProgramRun::clickAt(window, QPoint(68, top + y));
            QTest::qWait(60);
        }
    }
    return done();
}

// Opens the Opties menu on its first enabled item ("Skin weghalen" until a skin is shown, then
// "Zet als skin"), then presses keys.
void options(const QString& window, const QString& keys)
{
    ProgramRun::pressKeys(window, QStringLiteral("alt+o"));
    QTest::qWait(500); // the menu opens at the next turn of the program's event loop
    ProgramRun::xdotool(QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' ')));
}

// Events are handled in order: once a later Ctrl+U has asked for the list again, every key
// pressed before it has been dealt with.
bool settledAfter(const QString& window, HttpTestServer& server, const QString& list)
{
    server.resetCounts();
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+u"));
    return QTest::qWaitFor([&] { return server.requestedPaths().contains(list); }, 20000);
}

// The title of the file dialog of Opties, "Skin handmatig instellen": Qt's own language.
bool fileDialogTitled(const QProcess* program, const QString& window, const QString& title)
{
    options(window, QStringLiteral("Down Return"));
    const QString dialog = ProgramRun::windowTitled(program, title);
    if (!dialog.isEmpty())
        ProgramRun::pressKeys(dialog, QStringLiteral("Escape"));
    return !dialog.isEmpty();
}
} // namespace

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!ProgramRun::canDriveX11(&why))
            QSKIP(qPrintable(why));
    }
    void everyWayOfClosingEndsTheProgram_data();
    void everyWayOfClosingEndsTheProgram();
    void closeDuringDownloadEndsAtOnce();
    void secondStartRaisesTheFirst();
    void deadServerCostsOneWait();
    void catalogueInstallRemoveAndStartAgain();
    void previewIsWhatInstalls_data();
    void previewIsWhatInstalls();
    void languageChosenSwitchedAndKept();
    void handEditedSettingsSurviveStarts();
};

void TestUserScenarios::everyWayOfClosingEndsTheProgram_data()
{
    QTest::addColumn<bool>("firstStart"); // the language chooser is the only window
    QTest::addColumn<QString>("keys");    // none: the window frame's close box
    QTest::newRow("Ctrl+S") << false << "ctrl+s";
    QTest::newRow("Bestand, Sluiten") << false << "alt+b Down Return";
    QTest::newRow("close box") << false << "";
    QTest::newRow("chooser's close box") << true << "";
    QTest::newRow("chooser, Escape") << true << "Escape";
}

void TestUserScenarios::everyWayOfClosingEndsTheProgram()
{
    QFETCH(bool, firstStart);
    QFETCH(QString, keys);
    ProgramRun run;
    if (firstStart)
        run.setSetting(QStringLiteral("algedaan"), QStringLiteral("0"));
    const QString title = firstStart ? QStringLiteral("Kies je taal") : QStringLiteral("Drapello");
    QProcess* first = run.start();
    const QString window = run.windowMatching(first, title);
    QVERIFY(!window.isEmpty());
    if (!firstStart) // a first start stores where the program lives and the defaults
        QVERIFY(run.waitForSetting(QStringLiteral("path")));

    keys.isEmpty() ? ProgramRun::closeBox(window) : ProgramRun::pressKeys(window, keys);
    QVERIFY2(first->waitForFinished(ExitBoundMs), "still running after it was closed");
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
    // Closing the chooser is no choice: nothing is stored, it asks again.
    QCOMPARE(run.setting(QStringLiteral("language")), QStringLiteral("<missing>"));
    QCOMPARE(run.setting(QStringLiteral("algedaan")),
             firstStart ? QStringLiteral("0") : QStringLiteral("1"));
    if (!firstStart) {
        QCOMPARE(run.setting(QStringLiteral("path")), run.programFolder());
        QCOMPARE(run.setting(QStringLiteral("updatelist")), QStringLiteral("1"));
    }

    // The lock went with it: the next start opens its window.
    QVERIFY(!run.windowMatching(run.start(), title).isEmpty());
}

void TestUserScenarios::closeDuringDownloadEndsAtOnce()
{
    ProgramRun run;
    HttpTestServer server;
    // A server that never answers: the pass would wait on every list in turn.
    for (const char* list : {"/voruzide.txt", "/Abstract.txt", "/Natuur.txt"})
        server.stall(QString::fromLatin1(list));
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    const QString copy =
        writeFileBytes(run.cacheFolder() + QStringLiteral("/voruzide.tmp"), "Abstract*Natuur");
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    ProgramRun::closeBox(window);
    QVERIFY2(program->waitForFinished(ExitBoundMs), "the close waited for the download");
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(server.requestCount(), 1); // nothing more was asked once closing had begun
    QCOMPARE(filesIn(run.cacheFolder()), QStringList{QStringLiteral("voruzide.tmp")});
    QCOMPARE(readFileBytes(copy), QByteArray("Abstract*Natuur"));
}

void TestUserScenarios::secondStartRaisesTheFirst()
{
    ProgramRun run;
    // A lock left by a copy that died is taken over.
    writeFileBytes(run.root() + QStringLiteral("/run/drapello.lock"), "999999\n");
    QProcess* first = run.start();
    const QString window = run.windowOf(first);
    QVERIFY(!window.isEmpty());
    const ProgramRun::Cover cover; // another program's window, over Drapello's
    QVERIFY(cover.covers(window));

    QProcess* second = run.start();
    QVERIFY2(second->waitForFinished(ExitBoundMs), "the second copy kept running");
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(second->readAllStandardError().contains("already running"));
    QTRY_VERIFY_WITH_TIMEOUT(!cover.covers(window), ExitBoundMs);
    QCOMPARE(first->state(), QProcess::Running);
}

// A server that takes connections and never answers: the lists from the last run fill the tree
// after one wait, not one per list, and a click on a skin previews it.
void TestUserScenarios::deadServerCostsOneWait()
{
    ProgramRun run;
    HttpTestServer server;
    const QMap<QString, QByteArray> lists{{QStringLiteral("voruzide"), "Natuur*Sport"},
                                          {QStringLiteral("Natuur"), "Bos*Zee"},
                                          {QStringLiteral("Sport"), "Bal"}};
    for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
        writeFileBytes(run.cacheFolder() + u'/' + it.key() + QStringLiteral(".tmp"), it.value());
        server.stall(u'/' + it.key() + QStringLiteral(".txt"));
    }
    const QByteArray picture = makeGif();
    for (const char* skin : {"/Natuur/Bos.gif", "/Natuur/Zee.gif", "/Sport/Bal.gif"})
        server.setFile(QString::fromLatin1(skin), picture);
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    const QString window = run.windowOf(run.start());
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    // One connect time-out is 10 s; one idle time-out per list would be 90 s.
    QVERIFY2(clickTreeUntil(
                 window, [&] { return askedFor(server, QStringLiteral(".gif")); }, 45000),
             "the window took no click, or the tree stayed empty");
    QStringList listsAsked = server.requestedPaths();
    listsAsked.removeIf([](const QString& path) { return !path.endsWith(QStringLiteral(".txt")); });
    QCOMPARE(listsAsked, QStringList{QStringLiteral("/voruzide.txt")});
    for (auto it = lists.cbegin(); it != lists.cend(); ++it)
        QCOMPARE(readFileBytes(run.cacheFolder() + u'/' + it.key() + QStringLiteral(".tmp")),
                 it.value());
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.cacheFolder() + QStringLiteral("/temp.dat")),
                              picture, 20000);
}

// The sample catalogue, built by the real catalogue tool: the lists land byte for byte, a clicked
// skin installs over the user's own background (kept in the backups), "Skin weghalen" removes
// it; started again with a picture, Ctrl+I installs that picture without a download.
void TestUserScenarios::catalogueInstallRemoveAndStartAgain()
{
    ProgramRun run;
    const QString served = run.root() + QStringLiteral("/served");
    QProcess tool;
    tool.start(QStringLiteral(DRAPELLO_CATALOGUE_TOOL),
               {QStringLiteral(DRAPELLO_SAMPLE_CATALOGUE), served});
    QVERIFY(tool.waitForFinished(30000) && tool.exitCode() == 0);
    // A category outside ASCII: Windows-1252 in the list, its file name in UTF-8.
    writeFileBytes(served + QStringLiteral("/voruzide.txt"),
                   readFileBytes(served + QStringLiteral("/voruzide.txt")) + "*Caf\xE9");
    writeFileBytes(served + QStringLiteral("/Caf\u00E9.txt"), "Espresso");
    HttpTestServer server;
    for (QDirIterator it(served, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        server.setFile(path.mid(served.size()), readFileBytes(path));
    }
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    const QString own = run.messengerFolder() + QStringLiteral("/LVBACK.GIF");
    writeFileBytes(own, "my own background");
    const QString backups = run.root() + QStringLiteral("/data/Drapello/backups");

    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    for (const QString& list : QDir(served).entryList({QStringLiteral("*.txt")}))
        QTRY_COMPARE_WITH_TIMEOUT(
            readFileBytes(run.cacheFolder() + u'/' + list.chopped(4) + QStringLiteral(".tmp")),
            readFileBytes(served + u'/' + list), 20000);
    QTest::qWait(300); // let the tree take the last category

    server.resetCounts();
    QVERIFY(clickTreeUntil(window, [&] { return askedFor(server, QStringLiteral(".gif")); }));
    const QByteArray picture = readFileBytes(served + server.requestedPaths().constFirst());
    QVERIFY(picture.startsWith("GIF8"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.cacheFolder() + QStringLiteral("/temp.dat")),
                              picture, 20000);
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));
    // Replaced in place whatever its capitals, the old one kept.
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(own), picture, 20000);
    QCOMPARE(filesIn(run.messengerFolder()), QStringList{QStringLiteral("LVBACK.GIF")});
    QStringList kept = filesIn(backups);
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().contains(QStringLiteral("MSN Messenger")), qPrintable(kept.first()));
    QCOMPARE(readFileBytes(backups + u'/' + kept.first()), "my own background");

    options(window, QStringLiteral("Down Return")); // from "Zet als skin" to "Skin weghalen"
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(run.messengerFolder()), QStringList(), 20000);
    kept = filesIn(backups);
    QCOMPARE(kept.size(), 2);
    QCOMPARE(readFileBytes(backups + u'/' + kept.last()), picture);

    ProgramRun::closeBox(window);
    QVERIFY(program->waitForFinished(ExitBoundMs));
    server.resetCounts();
    const QString mine =
        writeFileBytes(run.root() + QStringLiteral("/my skins/rode auto.gif"),
                       readFileBytes(QStringLiteral(DRAPELLO_SAMPLE_CATALOGUE) +
                                     QStringLiteral("/Auto Motor/Rode Ferrari.gif")));
    const QString again = run.windowOf(run.start({mine}));
    QVERIFY(!again.isEmpty());
    ProgramRun::pressKeys(again, QStringLiteral("ctrl+i"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.messengerFolder() + QStringLiteral("/lvback.gif")),
                              readFileBytes(mine), 20000);
    QCOMPARE(server.requestCount(), 0);
}

void TestUserScenarios::previewIsWhatInstalls_data()
{
    QTest::addColumn<int>("status");      // of the third skin's answer
    QTest::addColumn<QByteArray>("body"); // empty: a picture of its own
    QTest::newRow("a picture") << 200 << QByteArray();
    QTest::newRow("404") << 404 << QByteArray();
    QTest::newRow("error page with status 200")
        << 200 << QByteArray("<html><body>Skin not found</body></html>");
    QTest::newRow("GIF of more than 10,000 frames") << 200 << makeGif(10001);
}

// One category of three skins, each a picture of its own colour (the program tells pictures by
// content, not by name). The arrows preview the second; one more arrow and Ctrl+I at once
// install exactly the third, or, when it does not preview, nothing: not the one shown before.
// Moving onto the category leaves nothing to install either.
void TestUserScenarios::previewIsWhatInstalls()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    ProgramRun run;
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "Kleuren");
    server.setFile(QStringLiteral("/Kleuren.txt"), "Blauw*Groen*Rood");
    server.setFile(QStringLiteral("/Kleuren/Blauw.gif"), makePicture("png", 30, 20, Qt::blue));
    server.setFile(QStringLiteral("/Kleuren/Groen.gif"), makePicture("png", 30, 20, Qt::green));
    const QByteArray rood = body.isEmpty() ? makePicture("png", 30, 20, Qt::red) : body;
    if (status == 200)
        server.setFile(QStringLiteral("/Kleuren/Rood.gif"), rood);
    else
        server.answerStatus(QStringLiteral("/Kleuren/Rood.gif"), status);
    const QString lvback =
        writeFileBytes(run.messengerFolder() + QStringLiteral("/lvback.gif"), "my own background");
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    const QString window = run.windowOf(run.start());
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(run.cacheFolder() + QStringLiteral("/Kleuren.tmp")),
                             20000);
    QTest::qWait(300); // let the tree take the category
    openTree(window);
    QTest::qWait(500); // a key typed next starts a search of its own, without the "*"

    ProgramRun::pressKeys(window, QStringLiteral("Down Down Down"));
    QTRY_VERIFY_WITH_TIMEOUT(askedFor(server, QStringLiteral("/Groen.gif")), 20000);
    ProgramRun::pressKeys(window, QStringLiteral("Down ctrl+i"));
    if (status == 200 && body.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), rood, 20000);
        writeFileBytes(lvback, "my own background");
        ProgramRun::pressKeys(window, QStringLiteral("Home Down ctrl+i"));
    }
    QVERIFY(settledAfter(window, server, QStringLiteral("/Kleuren.txt")));
    QCOMPARE(readFileBytes(lvback), QByteArray("my own background"));
    QCOMPARE(filesIn(run.messengerFolder()), QStringList{QStringLiteral("lvback.gif")});
}

// The first start asks for a language; the choice applies at once (Qt's own dialogs too) and is
// kept. Choosing the built-in language from the menu takes effect at the next start.
void TestUserScenarios::languageChosenSwitchedAndKept()
{
    ProgramRun run;
    run.setSetting(QStringLiteral("algedaan"), QStringLiteral("0"));
    run.setSetting(QStringLiteral("updatelist"), QStringLiteral("0"));
    QProcess* program = run.start();
    const QString chooser = run.windowMatching(program, QStringLiteral("Kies je taal"));
    QVERIFY(!chooser.isEmpty());
    ProgramRun::clickAt(chooser, QPoint(60, 76)); // english.lng, the list's only file
    ProgramRun::pressKeys(chooser, QStringLiteral("Return"));
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QCOMPARE(run.setting(QStringLiteral("language")), QStringLiteral("english.lng"));
    QCOMPARE(run.setting(QStringLiteral("algedaan")), QStringLiteral("1"));
    QVERIFY2(fileDialogTitled(program, window, QStringLiteral("Open")), "Qt's texts not English");

    // Opties, "Taal modules installeren"; OK with nothing selected is the built-in language.
    options(window, QStringLiteral("Down Down Down Return"));
    const QString again =
        ProgramRun::windowTitled(program, QStringLiteral("Choose your language / Kies je taal"));
    QVERIFY(!again.isEmpty());
    ProgramRun::pressKeys(again, QStringLiteral("Return"));
    const QString box = ProgramRun::windowTitled(program, QStringLiteral("Language"));
    QVERIFY(!box.isEmpty());
    ProgramRun::pressKeys(box, QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(run.setting(QStringLiteral("language")), QString(), 5000);
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+s"));
    QVERIFY(program->waitForFinished(ExitBoundMs));

    QProcess* next = run.start();
    const QString dutch = run.windowOf(next);
    QVERIFY(!dutch.isEmpty());
    QVERIFY2(fileDialogTitled(next, dutch, QStringLiteral("Openen")), "Qt's texts not Dutch");
}

void TestUserScenarios::handEditedSettingsSurviveStarts()
{
    // As people and other programs leave it: comments, another program's section with
    // backslashes and commas, CR LF line ends, a value with a ';'. A start adds its "path" line
    // and changes no other byte; the next start, with "path" as it is, writes nothing.
    ProgramRun run;
    const QByteArray edited =
        "; mine\r\n[Tool]\r\npath=C:\\Program Files\\Korvane\\Tool\r\nlist=a,b,c\r\n\r\n"
        "[Drapello]\r\nalgedaan = 1\r\nupdatelist=0\r\nbase=http://127.0.0.1:9/a;b/\r\n; end\r\n";
    writeFileBytes(run.settingsFile(), edited);
    const QByteArray expected = QByteArray(edited).replace(
        "a;b/\r\n", "a;b/\r\npath=" + run.programFolder().toUtf8() + "\r\n");
    ino_t written = 0;
    for (int start = 1; start <= 2; ++start) {
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        QVERIFY(run.waitForSetting(QStringLiteral("path")));
        ProgramRun::closeBox(window);
        QVERIFY(program->waitForFinished(ExitBoundMs));
        QCOMPARE(readFileBytes(run.settingsFile()), expected);
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(run.settingsFile()).constData(), &info), 0);
        QVERIFY(start == 1 || info.st_ino == written);
        written = info.st_ino;
    }
}

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
