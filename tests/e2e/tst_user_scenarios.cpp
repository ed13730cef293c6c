// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    // ---- closing and starting again

    // ---- downloads and the skin server

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
};

void TestUserScenarios::initTestCase()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
}

// ---------------------------------------------------------------- closing and starting again

// ---------------------------------------------------------------- downloads and the skin server

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

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
