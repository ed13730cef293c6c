// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLibrary>
#include <QtTest>
#include <algorithm>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    // ---- closing and starting again
    void everyWayOfClosingEndsTheProgram_data();
    void everyWayOfClosingEndsTheProgram();
    void closeDuringDownloadEndsAtOnce();
    void keysTypedDuringDownloadAreKept();
    void secondStartBringsTheRunningCopyForward();

    // ---- downloads and the skin server
    void deadServerCostsOneWait();
    void missingLibcurlIsLogged();

    // ---- previewing and installing
    void installWithoutMessenger_data();
    void installWithoutMessenger();
    void failedPreviewInstallsNothing_data();
    void failedPreviewInstallsNothing();
    void keyboardPreviewIsWhatInstalls_data();
    void keyboardPreviewIsWhatInstalls();
    void replacedBackgroundIsKept();
    void animationMemoryStaysBounded();

    // ---- what the windows show
    void qtDialogsSpeakTheProgramsLanguage_data();
    void qtDialogsSpeakTheProgramsLanguage();
    void serverTextStaysOneLineOfItsOwn();
    void unstorableSettingsAreReported();

    // ---- settings file
    void handEditedSettingsSurviveStarts();
};

void TestUserScenarios::initTestCase()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
}

// ---------------------------------------------------------------- closing and starting again

namespace {
// An exit "at once": far below the 30 s a silent server is waited for, far above what closing
// takes on a busy machine.
constexpr int ExitBoundMs = 5000;
} // namespace

void TestUserScenarios::everyWayOfClosingEndsTheProgram_data()
{
    QTest::addColumn<bool>("firstStart");  // the language chooser is the only window
    QTest::addColumn<QStringList>("keys"); // none: the window frame's close box
    QTest::newRow("Ctrl+S") << false << QStringList{QStringLiteral("ctrl+s")};
    QTest::newRow("Bestand, Sluiten")
        << false
        << QStringList{QStringLiteral("alt+b"), QStringLiteral("Down"), QStringLiteral("Return")};
    QTest::newRow("close box") << false << QStringList();
    QTest::newRow("chooser's close box") << true << QStringList();
    QTest::newRow("chooser, Escape") << true << QStringList{QStringLiteral("Escape")};
}

void TestUserScenarios::everyWayOfClosingEndsTheProgram()
{
    QFETCH(bool, firstStart);
    QFETCH(QStringList, keys);
    ProgramRun run;
    if (firstStart)
        run.setSetting(QStringLiteral("algedaan"), QStringLiteral("0"));
    const QString title = firstStart ? QStringLiteral("Kies je taal") : QStringLiteral("Drapello");
    run.onX11();
    QProcess* first = run.start();
    const QString window = run.windowMatching(first, title);
    QVERIFY(!window.isEmpty());

    if (keys.isEmpty()) {
        ProgramRun::closeBox(window);
    } else {
        ProgramRun::pressKeys(window, keys.first());
        if (keys.size() > 1) // into the menu that the first key opened
            ProgramRun::xdotool(QStringList{QStringLiteral("key")} + keys.mid(1));
    }
    QVERIFY2(first->waitForFinished(ExitBoundMs), "still running after it was closed");
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
    // Closing the chooser is no choice: nothing is stored, it asks again.
    QCOMPARE(run.setting(QStringLiteral("language")), QStringLiteral("<missing>"));
    QCOMPARE(run.setting(QStringLiteral("algedaan")),
             firstStart ? QStringLiteral("0") : QStringLiteral("1"));

    // The lock went with it: the next start opens its window.
    QProcess* next = run.start();
    QVERIFY(!run.windowMatching(next, title).isEmpty());
}

void TestUserScenarios::closeDuringDownloadEndsAtOnce()
{
    ProgramRun run;
    HttpTestServer server;
    // A server that never answers: the pass would wait on every list in turn.
    for (const char* list : {"/voruzide.txt", "/Abstract.txt", "/Natuur.txt"})
        server.stall(QString::fromLatin1(list));
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    const QString copy = run.cacheFolder() + QStringLiteral("/voruzide.tmp");
    const QByteArray previous = "Abstract*Natuur";
    QDir().mkpath(run.cacheFolder());
    writeFileBytes(copy, previous);
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    ProgramRun::closeBox(window);
    QVERIFY2(program->waitForFinished(ExitBoundMs), "the close waited for the download");
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(server.requestCount(), 1); // nothing more was asked once closing had begun
    // No partial file beside the copy, and the copy as it was.
    QCOMPARE(QDir(run.cacheFolder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("voruzide.tmp")});
    QCOMPARE(readFileBytes(copy), previous);
}

void TestUserScenarios::keysTypedDuringDownloadAreKept()
{
    ProgramRun run;
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "Abstract");
    server.setFile(QStringLiteral("/Abstract.txt"), "Rood*Blauw");
    server.setDelay(800);
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    // Typed while the first list is on its way: not lost, carried out once the pass has ended.
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+s"));
    QVERIFY2(program->waitForFinished(ExitBoundMs + 2 * 800), "Ctrl+S was lost");
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(readFileBytes(run.cacheFolder() + QStringLiteral("/Abstract.tmp")),
             QByteArray("Rood*Blauw"));
}

void TestUserScenarios::secondStartBringsTheRunningCopyForward()
{
    ProgramRun run;
    run.onX11();
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

// ---------------------------------------------------------------- downloads and the skin server

// The first start against a server that takes connections and never answers: the lists from the
// last run fill the tree after one wait, not one per list, and a click on a skin previews it.
void TestUserScenarios::deadServerCostsOneWait()
{
    ProgramRun run;
    HttpTestServer server;
    const QMap<QString, QByteArray> lists{{QStringLiteral("voruzide"), "Natuur*Sport"},
                                          {QStringLiteral("Natuur"), "Bos*Zee"},
                                          {QStringLiteral("Sport"), "Bal"}};
    for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
        writeFileBytes(run.cacheFolder() + QLatin1Char('/') + it.key() + QStringLiteral(".tmp"),
                       it.value());
        server.stall(QLatin1Char('/') + it.key() + QStringLiteral(".txt"));
    }
    const QByteArray picture = makeGif();
    for (const char* skin : {"/Natuur/Bos.gif", "/Natuur/Zee.gif", "/Sport/Bal.gif"})
        server.setFile(QString::fromLatin1(skin), picture);
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    run.onX11();
    const QString window = run.windowOf(run.start());
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    // Click into the tree as an impatient user does, until a skin's picture is asked for. Clicks
    // made while the program waits for the server take effect once it has given up.
    auto pictureAsked = [&server] {
        const QStringList paths = server.requestedPaths();
        return std::any_of(paths.cbegin(), paths.cend(), [](const QString& path) {
            return path.endsWith(QStringLiteral(".gif"));
        });
    };
    const int menuBar = ProgramRun::windowSize(window).height() - 353;
    QVERIFY(menuBar > 0);
    QElapsedTimer clock;
    clock.start();
    // One connect time-out is 10 s; one idle time-out per list would be 90 s.
    while (!pictureAsked() && clock.elapsed() < 45000) {
        ProgramRun::clickAt(window, QPoint(8 + 40, 32 + menuBar + 4));
        ProgramRun::pressKeys(window, QStringLiteral("KP_Multiply"));
        for (int y = 14; y < 120 && !pictureAsked(); y += 6) {
            ProgramRun::clickAt(window, QPoint(8 + 60, 32 + menuBar + y));
            QTest::qWait(100);
        }
    }
    QVERIFY2(pictureAsked(), "the window took no click, or the tree stayed empty");
    QStringList listsAsked = server.requestedPaths();
    listsAsked.removeIf([](const QString& path) { return !path.endsWith(QStringLiteral(".txt")); });
    QCOMPARE(listsAsked, QStringList{QStringLiteral("/voruzide.txt")});
    for (auto it = lists.cbegin(); it != lists.cend(); ++it)
        QCOMPARE(
            readFileBytes(run.cacheFolder() + QLatin1Char('/') + it.key() + QStringLiteral(".tmp")),
            it.value());
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.cacheFolder() + QStringLiteral("/temp.dat")),
                              picture, 20000);
}

// With libcurl's file gone from the system (hidden in a mount namespace of the program's own),
// the window opens, nothing is asked of the server, and the log says what is missing.
void TestUserScenarios::missingLibcurlIsLogged()
{
    QLibrary curl(QStringLiteral("curl"), 4);
    Dl_info loaded{};
    if (!curl.load() || !dladdr(reinterpret_cast<void*>(curl.resolve("curl_version")), &loaded))
        QSKIP("libcurl is not installed here");
    const QString libraryFolder =
        QFileInfo(QString::fromLocal8Bit(loaded.dli_fname)).canonicalPath();
    ProgramRun run;
    const QString upper = run.root() + QStringLiteral("/hide/upper");
    const QString work = run.root() + QStringLiteral("/hide/work");
    QVERIFY(QDir().mkpath(upper) && QDir().mkpath(work));
    // An overlay whose upper layer holds a whiteout: the file is not there for the loader.
    if (::mknod(QFile::encodeName(upper + QStringLiteral("/libcurl.so.4")).constData(),
                S_IFCHR | 0600, makedev(0, 0)) != 0)
        QSKIP("hiding a file needs root");
    const QStringList hidden = {
        QStringLiteral("unshare"),
        QStringLiteral("-m"),
        QStringLiteral("sh"),
        QStringLiteral("-c"),
        QStringLiteral("mount -t overlay overlay -o lowerdir=\"$1\",upperdir=\"$2\",workdir=\"$3\" "
                       "\"$1\" && test ! -e \"$1/libcurl.so.4\" && shift 3 && exec \"$@\""),
        QStringLiteral("sh"),
        libraryFolder,
        upper,
        work};
    QProcess probe;
    probe.start(hidden.first(), hidden.mid(1) << QStringLiteral("true"));
    if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
        QSKIP(qPrintable(QStringLiteral("cannot hide libcurl in a mount namespace: ") +
                         QString::fromLocal8Bit(probe.readAllStandardError())));

    HttpTestServer server;
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    run.onX11();
    QProcess* program = run.startWrapped(hidden);
    QVERIFY(!run.windowOf(program).isEmpty());
    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT(
        (log += program->readAllStandardError()).contains("Cannot load libcurl"), 20000);
    QVERIFY2(log.contains("libcurl4"), log.constData());
    QCOMPARE(program->state(), QProcess::Running);
    QCOMPARE(server.requestCount(), 0);
}

// ---------------------------------------------------------------- previewing and installing

namespace installing {

// One category of four skins, each a picture of its own colour (PNG bytes: the program tells
// pictures by content, not by name).
const QStringList Skins = {QStringLiteral("Blauw"), QStringLiteral("Groen"),
                           QStringLiteral("Kapot"), QStringLiteral("Rood")};

QByteArray skinPicture(const QString& skin)
{
    const Qt::GlobalColor colours[] = {Qt::blue, Qt::green, Qt::gray, Qt::red};
    return makePicture("png", 30, 20, colours[Skins.indexOf(skin)]);
}

// The client area is 353 pixels high; the menu bar sits above it.
int menuBarHeight(const QString& window)
{
    return ProgramRun::windowSize(window).height() - 353;
}

// The process's peak resident memory (VmHWM) in KiB, 0 when unknown.
qint64 peakMemoryKiB(const QProcess* process)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process->processId()));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

void serveColours(HttpTestServer& server)
{
    server.setFile(QStringLiteral("/voruzide.txt"), "Kleuren");
    server.setFile(QStringLiteral("/Kleuren.txt"), Skins.join(QLatin1Char('*')).toLatin1());
    for (const QString& skin : Skins)
        server.setFile(QStringLiteral("/Kleuren/%1.gif").arg(skin), skinPicture(skin));
}

// Starts the program on X against the server; once the catalogue is in, the root is clicked
// and the whole tree opened ("*"), so that the rows read: root, Kleuren, then the skins.
QString startOnColours(ProgramRun& run, HttpTestServer& server, QProcess** started = nullptr)
{
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    run.onX11();
    QProcess* program = run.start();
    if (started)
        *started = program;
    const QString window = run.windowOf(program);
    if (window.isEmpty())
        return {};
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(run.cacheFolder() + QStringLiteral("/Kleuren.tmp")) &&
           clock.elapsed() < 20000)
        QTest::qWait(50);
    QTest::qWait(300); // let the tree take the category
    ProgramRun::clickAt(window, QPoint(8 + 40, 32 + menuBarHeight(window) + 4));
    ProgramRun::pressKeys(window, QStringLiteral("KP_Multiply"));
    QTest::qWait(500); // a letter typed next starts a search of its own, without the "*"
    return window;
}

// Whether the server was asked for this skin's picture.
bool asked(const HttpTestServer& server, const QString& skin)
{
    return server.requestedPaths().contains(QStringLiteral("/Kleuren/%1.gif").arg(skin));
}

// Clicks down the tree, row by row, until the skin's picture is asked for.
bool clickUntilAsked(const QString& window, HttpTestServer& server, const QString& skin)
{
    const int top = 32 + menuBarHeight(window);
    for (int y = 14; y < 280; y += 6) {
        ProgramRun::clickAt(window, QPoint(8 + 60, top + y));
        for (int wait = 0; wait < 10; ++wait) {
            QTest::qWait(30);
            if (asked(server, skin))
                return true;
        }
    }
    return false;
}

// Events are handled in order: once a later Ctrl+U has fetched the category list again,
// every key pressed before it has been dealt with.
bool settledAfter(const QString& window, HttpTestServer& server)
{
    server.resetCounts();
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+u"));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        if (server.requestedPaths().contains(QStringLiteral("/Kleuren.txt")))
            return true;
        QTest::qWait(50);
    }
    return false;
}

// Presses the keys named in `keys`, separated by blanks, one after the other.
void pressEach(const QString& window, const QString& keys)
{
    ProgramRun::xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    ProgramRun::xdotool(QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' ')));
}

// "Skin weghalen": the Opties menu opens on its first enabled item, "Zet als skin".
void removeThroughMenu(const QString& window)
{
    ProgramRun::pressKeys(window, QStringLiteral("alt+o"));
    QTest::qWait(500); // the menu opens at the next turn of the program's event loop
    ProgramRun::xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")});
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace installing

void TestUserScenarios::installWithoutMessenger_data()
{
    QTest::addColumn<QString>("prefix"); // "" keeps the run's own prefix
    QTest::addColumn<QByteArray>("registry");
    QTest::newRow("values name folders that do not exist")
        << QString()
        << systemReg("win32",
                     messengerKeys(QStringLiteral("C:\\Gone\\"), QStringLiteral("C:\\Also gone")));
    QTest::newRow("no values") << QString() << systemReg("win32", QByteArray());
    QTest::newRow("no Wine prefix") << QStringLiteral("/nonexistent/wine") << QByteArray();
}

// Ctrl+I and "Skin weghalen" with nowhere to write: an error, not "succesvol", and no file
// anywhere.
void TestUserScenarios::installWithoutMessenger()
{
    QFETCH(QString, prefix);
    QFETCH(QByteArray, registry);
    ProgramRun run;
    const QString wine = run.environment().value(QStringLiteral("WINEPREFIX"));
    if (!registry.isEmpty())
        writeFileBytes(wine + QStringLiteral("/system.reg"), registry);
    if (!prefix.isEmpty())
        run.setEnv(QStringLiteral("WINEPREFIX"), prefix);
    const QString picture = writeFileBytes(run.root() + QStringLiteral("/mine.gif"),
                                           installing::skinPicture(installing::Skins.first()));
    const QStringList before = installing::filesIn(run.messengerFolder());

    run.onX11();
    QProcess* program = run.start({picture});
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));
    QByteArray log;
    const QByteArray error = "Fout opgetreden: 76 - Messenger folder not found";
    QTRY_VERIFY_WITH_TIMEOUT((log += program->readAllStandardError()).contains(error), 20000);
    QVERIFY2(log.contains("the Wine prefix " + (prefix.isEmpty() ? wine : prefix).toUtf8()),
             log.constData());

    installing::removeThroughMenu(window);
    QTRY_COMPARE_WITH_TIMEOUT((log += program->readAllStandardError()).count(error), 2, 20000);
    QCOMPARE(installing::filesIn(run.messengerFolder()), before);
    QVERIFY(!QFileInfo::exists(run.root() + QStringLiteral("/data/Drapello/backups")));
}

void TestUserScenarios::failedPreviewInstallsNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("404") << 404 << QByteArray();
    QTest::newRow("error page with status 200")
        << 200 << QByteArray("<html><body>Skin not found</body></html>");
}

// A skin that does not preview leaves nothing to install: neither the skin shown before nor the
// bytes that came instead of a picture.
void TestUserScenarios::failedPreviewInstallsNothing()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    ProgramRun run;
    HttpTestServer server;
    installing::serveColours(server);
    if (status == 200)
        server.setFile(QStringLiteral("/Kleuren/Kapot.gif"), body);
    else
        server.answerStatus(QStringLiteral("/Kleuren/Kapot.gif"), status);
    const QString lvback = run.messengerFolder() + QStringLiteral("/lvback.gif");
    writeFileBytes(lvback, "my own background");

    const QString window = installing::startOnColours(run, server);
    QVERIFY(!window.isEmpty());
    // Clicking down the rows previews Blauw and Groen on the way to Kapot.
    QVERIFY(installing::clickUntilAsked(window, server, QStringLiteral("Kapot")));
    QVERIFY(installing::asked(server, QStringLiteral("Groen")));
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));
    QVERIFY(installing::settledAfter(window, server));

    QCOMPARE(readFileBytes(lvback), QByteArray("my own background"));
    QCOMPARE(installing::filesIn(run.messengerFolder()), QStringList{QStringLiteral("lvback.gif")});
}

void TestUserScenarios::keyboardPreviewIsWhatInstalls_data()
{
    QTest::addColumn<QString>("first"); // keys whose preview is awaited, from the root
    QTest::addColumn<QString>("then");  // keys pressed next, Ctrl+I at once after them
    QTest::addColumn<QString>("skin");  // the skin highlighted at the end
    QTest::newRow("arrows") << "Down Down Down"
                            << ""
                            << "Groen";
    QTest::newRow("type-ahead") << "r"
                                << ""
                                << "Rood";
    QTest::newRow("Ctrl+I right after an arrow") << "Down Down"
                                                 << "Down"
                                                 << "Groen";
}

// Moving with the keyboard previews, and Ctrl+I installs exactly the highlighted skin; moving
// onto the category leaves nothing to install.
void TestUserScenarios::keyboardPreviewIsWhatInstalls()
{
    QFETCH(QString, first);
    QFETCH(QString, then);
    QFETCH(QString, skin);
    ProgramRun run;
    HttpTestServer server;
    installing::serveColours(server);
    const QString window = installing::startOnColours(run, server);
    QVERIFY(!window.isEmpty());

    installing::pressEach(window, first);
    const QString previewed = then.isEmpty() ? skin : QStringLiteral("Blauw");
    QTRY_VERIFY_WITH_TIMEOUT(installing::asked(server, previewed), 20000);
    installing::pressEach(window, then.isEmpty() ? QStringLiteral("ctrl+i")
                                                 : then + QStringLiteral(" ctrl+i"));
    const QString lvback = run.messengerFolder() + QStringLiteral("/lvback.gif");
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), installing::skinPicture(skin), 20000);

    // Up to the category (Home, Down), then Ctrl+I: nothing is installed.
    writeFileBytes(lvback, "my own background");
    installing::pressEach(window, QStringLiteral("Home Down ctrl+i"));
    QVERIFY(installing::settledAfter(window, server));
    QCOMPARE(readFileBytes(lvback), QByteArray("my own background"));
}

// A background of the user's own, even named in capitals, is replaced in place, not beside it,
// and is kept in the backups folder; so is the one the removal deletes.
void TestUserScenarios::replacedBackgroundIsKept()
{
    ProgramRun run;
    const QString own = run.messengerFolder() + QStringLiteral("/LVBACK.GIF");
    writeFileBytes(own, "my own background");
    const QByteArray picture = installing::skinPicture(QStringLiteral("Rood"));
    const QString path = writeFileBytes(run.root() + QStringLiteral("/rood.gif"), picture);
    const QString backups = run.root() + QStringLiteral("/data/Drapello/backups");

    run.onX11();
    const QString window = run.windowOf(run.start({path}));
    QVERIFY(!window.isEmpty());
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(own), picture, 20000);
    QCOMPARE(installing::filesIn(run.messengerFolder()), QStringList{QStringLiteral("LVBACK.GIF")});
    QStringList kept = installing::filesIn(backups);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(readFileBytes(backups + QLatin1Char('/') + kept.first()), "my own background");
    QVERIFY2(kept.first().contains(QStringLiteral("MSN Messenger")), qPrintable(kept.first()));

    installing::removeThroughMenu(window);
    QTRY_COMPARE_WITH_TIMEOUT(installing::filesIn(run.messengerFolder()), QStringList(), 20000);
    kept = installing::filesIn(backups);
    QCOMPARE(kept.size(), 2);
    QCOMPARE(readFileBytes(backups + QLatin1Char('/') + kept.last()), picture);
}

// A small GIF of thousands of full-canvas frames: the preview holds about one frame, not all.
void TestUserScenarios::animationMemoryStaysBounded()
{
#ifdef __SANITIZE_ADDRESS__ // the sanitizer build (GCC)
    QSKIP("AddressSanitizer holds freed memory back; the bound is for the normal build");
#endif
    ProgramRun run;
    HttpTestServer server;
    installing::serveColours(server);
    // 3,000 frames of 200 x 200 pixels, 20 ms each (shorter delays are played far slower):
    // about 480 MB if every frame were kept, some 8 MB more each second it plays.
    const QByteArray hostile = makeGif(3000, 200, 2);
    server.setFile(QStringLiteral("/Kleuren/Blauw.gif"), hostile);
    QProcess* program = nullptr;
    const QString window = installing::startOnColours(run, server, &program);
    QVERIFY(!window.isEmpty());
    QVERIFY(installing::clickUntilAsked(window, server, QStringLiteral("Blauw")));

    // The program alone peaks near 45 MB; keeping every frame passes the bound within 10 s.
    const qint64 boundKiB = 120 * 1024;
    qint64 peak = 0;
    for (int i = 0; i < 80 && peak < boundKiB; ++i) {
        QTest::qWait(250);
        peak = installing::peakMemoryKiB(program);
    }
    QVERIFY2(peak > 0, "no VmHWM");
    QVERIFY2(peak < boundKiB, qPrintable(QStringLiteral("peak %1 KiB").arg(peak)));
}

// ---------------------------------------------------------------- what the windows show

namespace {
// The status bar's text, up to where the progress bar lies over it.
QImage statusText(const QString& window)
{
    const int height = ProgramRun::windowSize(window).height();
    return ProgramRun::grab(window, QRect(0, height - 17, 311, 17));
}

// Waits (bounded, in wall-clock time) until the status bar shows what `expected` shows or,
// with nothing expected, holds still once `ready` holds; returns what it shows, or nothing.
QImage statusSettles(
    const QString& window, const QImage& expected,
    const std::function<bool()>& ready = [] { return true; })
{
    QElapsedTimer clock;
    clock.start();
    for (QImage last; clock.elapsed() < 20000; QTest::qWait(100)) {
        const QImage now = statusText(window);
        if (expected.isNull() ? ready() && !now.isNull() && now == last : now == expected)
            return now;
        last = now;
    }
    return {};
}

// The run's language becomes the shipped English with one line replaced.
void useEnglishWith(const ProgramRun& run, int line, const QByteArray& text)
{
    QList<QByteArray> lines =
        readFileBytes(run.programFolder() + QStringLiteral("/english.lng")).split('\n');
    lines[line - 1] = text + '\r';
    writeFileBytes(run.programFolder() + QStringLiteral("/changed.lng"), lines.join('\n'));
    run.setSetting(QStringLiteral("language"), QStringLiteral("changed.lng"));
}

// How the status bar shows `text`: the real program, with a language file whose list-missing
// message is that text, started on an empty cache. Empty when it did not settle.
QImage statusShowing(const QByteArray& text)
{
    ProgramRun run;
    useEnglishWith(run, 6, text);
    run.onX11();
    QProcess* program = run.start({QStringLiteral("loadcache")});
    const QString window = run.windowOf(program);
    // The pass has ended once the cache folder exists.
    return window.isEmpty()
               ? QImage()
               : statusSettles(window, {}, [&run] { return QFileInfo::exists(run.cacheFolder()); });
}
} // namespace

void TestUserScenarios::qtDialogsSpeakTheProgramsLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("dialogTitle");
    QTest::newRow("built-in Dutch") << QString() << QStringLiteral("Openen");
    QTest::newRow("english.lng") << QStringLiteral("english.lng") << QStringLiteral("Open");
}

void TestUserScenarios::qtDialogsSpeakTheProgramsLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, dialogTitle);
    ProgramRun run;
    run.setSetting(QStringLiteral("language"), language);
    run.setSetting(QStringLiteral("updatelist"), QStringLiteral("0"));
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());

    // Options, "Skin handmatig instellen": the second item, the first being disabled.
    ProgramRun::pressKeys(window, QStringLiteral("alt+o"));
    ProgramRun::pressKeys(window, QStringLiteral("Down"));
    ProgramRun::pressKeys(window, QStringLiteral("Return"));
    const QString dialog = ProgramRun::windowTitled(program, dialogTitle);
    QVERIFY2(!dialog.isEmpty(), "no file dialog with the title of the program's language");
    ProgramRun::pressKeys(dialog, QStringLiteral("Escape"));
}

void TestUserScenarios::serverTextStaysOneLineOfItsOwn()
{
    // A category list that ends in a line break gives a name with CR LF; it cannot become a
    // file name, and the error line shows it as it is, on one line.
    const QImage expected = statusShowing(
        "Oops:52 - Bad file name or number: \"<i>x</i>\\r\\n\" cannot be stored in the cache");
    QVERIFY(!expected.isNull());

    ProgramRun run;
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "<i>x</i>\r\n");
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    // An error prefix used as written; short, so that the name comes before the progress bar.
    useEnglishWith(run, 4, "Oops:");
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QCOMPARE(statusSettles(window, expected), expected);
}

void TestUserScenarios::unstorableSettingsAreReported()
{
    const QImage expected =
        statusShowing("Fout opgetreden: 75 - Path/File access error: settings cannot be stored");
    QVERIFY(!expected.isNull());

    // A settings file that is a folder: nothing can be read or stored. The built-in default
    // server must not be asked, whatever the program does.
    ProgramRun run;
    QVERIFY(QFile::remove(run.settingsFile()) && QDir().mkpath(run.settingsFile()));
    run.setEnv(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:9/"));
    run.onX11();
    QProcess* program = run.start();

    // Nothing says a language was chosen, so the chooser asks; OK with no file announces the
    // built-in language in a box.
    const QString chooser =
        ProgramRun::windowTitled(program, QStringLiteral("Choose your language / Kies je taal"));
    QVERIFY(!chooser.isEmpty());
    ProgramRun::pressKeys(chooser, QStringLiteral("Return"));
    const QString box = ProgramRun::windowTitled(program, QStringLiteral("Language"));
    QVERIFY(!box.isEmpty());
    ProgramRun::pressKeys(box, QStringLiteral("Return"));

    const QString window =
        ProgramRun::windowTitled(program, QStringLiteral("Drapello v1.2 - Korvane Software"));
    QVERIFY(!window.isEmpty());
    QCOMPARE(statusSettles(window, expected), expected);
}

// ---------------------------------------------------------------- settings file

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
    run.onX11();
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
        if (start == 2)
            QCOMPARE(info.st_ino, written);
        written = info.st_ino;
    }
}

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
