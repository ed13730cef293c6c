// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QtTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// "At once": far below the 30 s a silent server is waited for, yet loose enough for a loaded
// machine.
constexpr int ExitBoundMs = 15000;
enum Copy { Portable, ReadOnly, Installed }; // of the program, in its own folder

bool askedFor(const HttpTestServer& server, const QString& part)
{
    return !server.requestedPaths().filter(part).isEmpty();
}

// Selects the tree's root and opens every branch ("*"); returns where the tree's rows start.
int openTree(const QString& window)
{
    // The client area is 353 pixels high; the menu bar sits above it.
    const int top = 32 + ProgramRun::windowSize(window).height() - 353;
    ProgramRun::clickAt(window, QPoint(48, top + 4));
    ProgramRun::pressKeys(window, "KP_Multiply");
    return top;
}

// Opens the tree and moves down it by `keys` until the server is asked for `part`. Until the tree
// holds the skins the arrows find nothing: each round starts from the root.
bool keysUntilAsked(const QString& window, const QString& keys, const HttpTestServer& server,
                    const QString& part)
{
    return QTest::qWaitFor(
        [&] {
            openTree(window);
            ProgramRun::pressKeys(window, keys);
            return QTest::qWaitFor([&] { return askedFor(server, part); }, 3000);
        },
        WindowBoundMs);
}

// Clicks down the open tree's rows until done() holds. The tree may still be filling: each round
// opens it afresh.
bool clickTreeUntil(const QString& window, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < WindowBoundMs) {
        const int top = openTree(window);
        for (int y = 14; y < 280 && !done(); y += 6) {
            ProgramRun::clickAt(window, QPoint(68, top + y));
            (void)QTest::qWaitFor(done, 1500); // a click on a skin asks for it at once
        }
    }
    return done();
}

// The sample catalogue, built by the catalogue tool, on server and named in the settings; the
// folder served, or "" when the tool failed.
QString serveSample(const ProgramRun& run, HttpTestServer& server)
{
    const QString served = run.root() + "/served";
    QProcess tool;
    tool.start(QStringLiteral(DRAPELLO_CATALOGUE_TOOL),
               {QStringLiteral(DRAPELLO_SAMPLE_CATALOGUE), served});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return {};
    for (QDirIterator it(served, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        server.setFile(path.mid(served.size()), readFileBytes(path));
    }
    run.setSetting("base", server.baseUrl());
    return served;
}

// Opens the Opties menu on its first enabled item, then presses keys.
bool options(const QProcess* program, const QString& window, const QString& keys)
{
    const qsizetype before = ProgramRun::visibleWindows(program).size();
    ProgramRun::pressKeys(window, "alt+o");
    // The menu is a window of its own, mapped at a later turn of the program's event loop.
    if (!QTest::qWaitFor([&] { return ProgramRun::visibleWindows(program).size() > before; },
                         WindowBoundMs))
        return false;
    ProgramRun::typeKeys(keys);
    return true;
}

// The file dialog of "Skin handmatig instellen" is titled in Qt's own texts.
bool fileDialogTitled(const QProcess* program, const QString& window, const QString& title)
{
    if (!options(program, window, "Down Return"))
        return false;
    const QString pattern = u'^' + title + u'$';
    if (ProgramRun::windowMatching(program, pattern).isEmpty())
        return false;
    ProgramRun::pressKeys(ProgramRun::windowMatching(program, pattern), "Escape");
    return ProgramRun::waitUntilNoWindow(program, pattern); // the main window takes keys again
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
    void everyWayOfClosingEndsTheProgram_data()
    {
        QTest::addColumn<bool>("firstStart"); // the language chooser is the only window
        QTest::addColumn<QString>("keys");    // none: the window frame's close box
        QTest::addColumn<bool>("download");   // closed while waiting on a server that never answers
        QTest::addColumn<bool>("covered");    // another window over it when the second copy starts
        QTest::newRow("Ctrl+S") << false << "ctrl+s" << false << false;
        QTest::newRow("Bestand, Sluiten") << false << "alt+b Down Return" << false << false;
        QTest::newRow("close box") << false << "" << false << false;
        QTest::newRow("close box during a download") << false << "" << true << false;
        QTest::newRow("Bestand, Sluiten during a download")
            << false << "alt+b Down Return" << true << false;
        QTest::newRow("second start raises the running copy") << false << "ctrl+s" << false << true;
        QTest::newRow("chooser's close box") << true << "" << false << false;
        QTest::newRow("chooser, Escape") << true << "Escape" << false << false;
    }
    // A lock left by a copy that died is taken over; a second start leaves the first running and
    // brings its window to the front. Any way of closing ends the program at once, and a new start
    // opens its window again.
    void everyWayOfClosingEndsTheProgram()
    {
        QFETCH(bool, firstStart);
        QFETCH(QString, keys);
        QFETCH(bool, download);
        QFETCH(bool, covered);
        ProgramRun run;
        HttpTestServer server;
        writeFileBytes(run.root() + "/run/drapello.lock", "999999\n");
        if (firstStart)
            run.setSetting("algedaan", "0");
        const QString copy = run.cacheFolder() + "/voruzide.tmp";
        if (download) {
            server.stall("/voruzide.txt");
            run.setSetting("base", server.baseUrl());
            writeFileBytes(copy, "Abstract*Natuur");
        }
        const QString title = firstStart ? "Kies je taal" : "Drapello";
        QProcess* first = run.start();
        const QString window = run.windowMatching(first, title);
        QVERIFY(!window.isEmpty());
        if (!firstStart) { // a first start stores where the program lives and the defaults
            QVERIFY(run.waitForSetting("path"));
            if (covered) {
                run.coverWith(window);
                QVERIFY(!run.aboveCover(window));
            }
            QProcess* second = run.start(); // a whole start: not bound by "at once"
            QVERIFY2(second->waitForFinished(WindowBoundMs), "the second copy kept running");
            QVERIFY(second->readAllStandardError().contains("already running"));
            if (covered)
                QVERIFY2(QTest::qWaitFor([&] { return run.aboveCover(window); }, WindowBoundMs),
                         "the running copy stayed behind");
            QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() == int(download), WindowBoundMs);
        }

        QElapsedTimer closing;
        closing.start();
        keys.isEmpty() ? ProgramRun::closeBox(window) : ProgramRun::pressKeys(window, keys);
        QVERIFY2(first->waitForFinished(ExitBoundMs), "still running after it was closed");
        qInfo("closed in %lld ms", static_cast<long long>(closing.elapsed()));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
        // Closing the chooser is no choice: nothing is stored, it asks again.
        QCOMPARE(run.setting("language"), "<missing>");
        QCOMPARE(run.setting("algedaan"), QString::number(firstStart ? 0 : 1));
        if (!firstStart) {
            QCOMPARE(run.setting("path"), run.programFolder());
            QCOMPARE(run.setting("updatelist"), "1");
        }
        QCOMPARE(server.requestCount(), int(download)); // nothing more asked once closing began
        QCOMPARE(readFileBytes(copy), download ? QByteArray("Abstract*Natuur") : "<unreadable>");
        QVERIFY(!run.windowMatching(run.start(), title).isEmpty()); // the lock went with it
    }
    void catalogueInstallAndRemove_data()
    {
        QTest::addColumn<int>("copy");
        QTest::newRow("portable copy") << int(Portable);
        QTest::newRow("read-only copy") << int(ReadOnly);
        QTest::newRow("installed from the package") << int(Installed);
    }
    // english.lng offered and applied (Qt's dialogs too) and kept; the sample catalogue's lists
    // land byte for byte, a skin installs (the old one backed up), "Skin weghalen" removes it. A
    // read-only copy, or one installed from the build's own Debian package, keeps its cache per
    // user.
    void catalogueInstallAndRemove()
    {
        QFETCH(int, copy);
        ProgramRun run;
        QString why;
        if (copy == Installed && !run.useInstalledPackage(&why))
            QSKIP(qPrintable(why));
        if (copy == ReadOnly)
            QFile::setPermissions(run.programFolder(), QFile::ReadOwner | QFile::ExeOwner);
        const QString cache =
            copy == Portable ? run.cacheFolder() : run.root() + "/.cache/Drapello/Cache";
        HttpTestServer server;
        const QString served = serveSample(run, server);
        QVERIFY(!served.isEmpty());
        const QString own = writeFileBytes(run.messengerFolder() + "/LVBACK.GIF", "mine");
        const QString backups = run.root() + "/data/Drapello/backups";

        run.setSetting("algedaan", "0");
        QProcess* program = run.start();
        const QString chooser = run.windowMatching(program, "Kies je taal");
        QVERIFY(!chooser.isEmpty());
        ProgramRun::clickAt(chooser, QPoint(60, 76)); // english.lng, the list's only file
        ProgramRun::pressKeys(chooser, "Return");
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        // The window shows before the choice is stored, so that a message it brings is on top.
        QTRY_COMPARE_WITH_TIMEOUT(run.setting("language"), "english.lng", WindowBoundMs);
        // The pass ends with its last list: until then the commands it conflicts with are greyed.
        for (const QString& list : QDir(served).entryList({"*.txt"}))
            QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(cache + u'/' + list.chopped(4) + ".tmp"),
                                      readFileBytes(served + u'/' + list), WindowBoundMs);
        QVERIFY2(fileDialogTitled(program, window, "Open"), "Qt's texts not English");
        server.resetCounts();
        QVERIFY(clickTreeUntil(window, [&] { return askedFor(server, ".gif"); }));
        // The preview follows the last click; on a slow machine that may not be the first skin's.
        QByteArray picture;
        QTRY_VERIFY_WITH_TIMEOUT(
            readFileBytes(cache + "/temp.dat") ==
                (picture =
                     readFileBytes(served + server.requestedPaths().filter(".gif").constLast())),
            WindowBoundMs);
        QVERIFY(picture.startsWith("GIF8"));
        ProgramRun::pressKeys(window, "ctrl+i");
        // Replaced in place whatever its capitals, the old one kept.
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(own), picture, WindowBoundMs);
        QCOMPARE(fileBytesIn(run.messengerFolder()).keys(), QStringList{"LVBACK.GIF"});
        QStringList kept = fileBytesIn(backups, "*.gif").keys(); // the copies, not their list
        QCOMPARE(kept.size(), 1);
        QVERIFY2(kept.first().contains("MSN Messenger"), qPrintable(kept.first()));
        QCOMPARE(readFileBytes(backups + u'/' + kept.first()), "mine");

        QVERIFY(options(program, window, "Down Return")); // from "Zet als skin" to "Skin weghalen"
        QTRY_COMPARE_WITH_TIMEOUT(fileBytesIn(run.messengerFolder()).size(), 0, WindowBoundMs);
        kept = fileBytesIn(backups, "*.gif").keys();
        QCOMPARE(kept.size(), 2);
        QCOMPARE(readFileBytes(backups + u'/' + kept.last()), picture);
        QCOMPARE(QFileInfo::exists(run.programFolder() + "/Cache"), copy == Portable);
        ProgramRun::pressKeys(window, "ctrl+s");
        QVERIFY(program->waitForFinished(ExitBoundMs));
        run.setSetting("updatelist", "0");
        QProcess* next = run.start();
        const QString again = run.windowOf(next);
        QVERIFY2(!again.isEmpty(), "the choice was asked for again");
        QVERIFY2(fileDialogTitled(next, again, "Open"), "the choice was not kept");
    }
    // A category with a blank in its name, three skins of their own colours: the arrows preview the
    // second, one more arrow and Ctrl+I at once install the third; moving onto the root and the
    // category keeps that preview, and Ctrl+I there installs it.
    void arrowsPreviewAndCtrlIInstalls()
    {
        ProgramRun run;
        HttpTestServer server;
        server.setFile("/voruzide.txt", "Mooie Kleuren");
        server.setFile("/Mooie Kleuren.txt", "Blauw*Groen*Rood");
        const QByteArray red = makePicture("png", 30, 20, Qt::red);
        server.setFile("/MooieKleuren/Blauw.gif", makePicture("png", 30, 20, Qt::blue));
        server.setFile("/MooieKleuren/Groen.gif", makePicture("png", 30, 20, Qt::green));
        server.setFile("/MooieKleuren/Rood.gif", red);
        const QString lvback = writeFileBytes(run.messengerFolder() + "/lvback.gif", "mine");
        run.setSetting("base", server.baseUrl());
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        QVERIFY(keysUntilAsked(window, "Down Down Down", server, "/MooieKleuren/Groen.gif"));
        QVERIFY(ProgramRun::waitForStatus(program, "Skin succesvol gedownload!")); // Groen is shown
        ProgramRun::pressKeys(window, "Down ctrl+i");
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), red, WindowBoundMs);
        writeFileBytes(lvback, "mine");
        server.resetCounts();
        ProgramRun::pressKeys(window, "Home Down ctrl+i");
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), red, WindowBoundMs);
        QCOMPARE(server.requestCount(), 0);
    }
    // While a list stalls, the tree still opens and takes a skin, previewed once the pass is over;
    // Esc gives up the stalled list (its copy stays). A skin taken during a stalled preview wins,
    // and Ctrl+S during one ends the program at once.
    void windowAnswersWhileWorkRuns()
    {
        ProgramRun run;
        HttpTestServer server;
        server.setFile("/voruzide.txt", "Kleuren*Traag");
        server.setFile("/Kleuren.txt", "Blauw*Groen*Rood");
        server.stall("/Traag.txt");
        server.stall("/Kleuren/Blauw.gif");
        const QByteArray green = makePicture("png", 30, 20, Qt::green);
        server.setFile("/Kleuren/Groen.gif", green);
        server.setFile("/Kleuren/Rood.gif", makePicture("png", 30, 20, Qt::red));
        const QString copy = writeFileBytes(run.cacheFolder() + "/Traag.tmp", "Oud*Ouder");
        run.setSetting("base", server.baseUrl());
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(askedFor(server, "/Traag.txt"), WindowBoundMs);
        openTree(window);
        ProgramRun::pressKeys(window, "Down Down Down Down"); // Rood, while the pass waits
        QTest::qWait(2 * 300); // the keys rest: a preview would be asked for now
        QVERIFY2(!askedFor(server, ".gif"), "a preview ran during the pass");
        ProgramRun::pressKeys(window, "Escape");
        QVERIFY(ProgramRun::waitForStatus(program, "Fout bij het downloaden!"));
        // Given up, not timed out: the log says which.
        QVERIFY(program->property("statusLog").toByteArray().contains("Traag.txt given up"));
        QTRY_VERIFY_WITH_TIMEOUT(askedFor(server, "/Kleuren/Rood.gif"), WindowBoundMs);
        QVERIFY(ProgramRun::waitForStatus(program, "Skin succesvol gedownload!"));
        QCOMPARE(readFileBytes(copy), "Oud*Ouder");

        ProgramRun::pressKeys(window, "Up Up"); // Blauw stalls
        QTRY_VERIFY_WITH_TIMEOUT(askedFor(server, "/Kleuren/Blauw.gif"), WindowBoundMs);
        ProgramRun::pressKeys(window, "Down"); // Groen takes over
        QVERIFY(ProgramRun::waitForStatus(program, "Skin succesvol gedownload!"));
        QVERIFY(ProgramRun::waitForStatus(program, "Geladen"));
        QCOMPARE(readFileBytes(run.cacheFolder() + "/temp.dat"), green);
        QCOMPARE(program->property("statusLog").toByteArray().count("Fout bij het downloaden!"), 1);

        server.resetCounts();
        ProgramRun::pressKeys(window, "Up"); // Blauw stalls again
        QTRY_VERIFY_WITH_TIMEOUT(askedFor(server, "/Kleuren/Blauw.gif"), WindowBoundMs);
        QElapsedTimer closing;
        closing.start();
        ProgramRun::pressKeys(window, "ctrl+s");
        QVERIFY2(program->waitForFinished(ExitBoundMs), "still running after it was closed");
        qInfo("closed in %lld ms during a stalled preview",
              static_cast<long long>(closing.elapsed()));
        QCOMPARE(readFileBytes(run.cacheFolder() + "/temp.dat"), green);
        QVERIFY(!run.windowOf(run.start()).isEmpty());
    }
    void historyPutsBackAndDeletes_data()
    {
        QTest::addColumn<QString>("keys");   // in the history, the newest copy chosen
        QTest::addColumn<QString>("answer"); // to the question; none: no question
        QTest::addColumn<bool>("restored");  // the oldest copy is Messenger's background again
        QTest::addColumn<bool>("deleted");   // the oldest copy is gone
        QTest::newRow("the oldest put back") << "End Tab space"
                                             << "" << true << false;
        QTest::newRow("deleted after yes") << "End Delete"
                                           << "Return" << false << true;
        QTest::newRow("kept after no") << "End Delete"
                                       << "Escape" << false << false;
    }
    // A catalogue skin installed over the user's own background: the history names it on the
    // background installed now, and lists the copies newest first. The oldest put back is exactly
    // its bytes, the skin it replaces kept; one deleted after the question, and only it, is gone.
    void historyPutsBackAndDeletes()
    {
        QFETCH(QString, keys);
        QFETCH(QString, answer);
        QFETCH(bool, restored);
        QFETCH(bool, deleted);
        ProgramRun run;
        HttpTestServer server;
        server.setFile("/voruzide.txt", "Abstract");
        server.setFile("/Abstract.txt", "Blauw*Rood");
        const QByteArray blue = makePicture("png", 30, 20, Qt::blue);
        server.setFile("/Abstract/Blauw.gif", blue);
        run.setSetting("base", server.baseUrl());
        const QString lvback =
            writeFileBytes(run.messengerFolder() + "/lvback.gif", makePicture("png", 30, 20));
        const QString backups = run.root() + "/data/Drapello/backups/";
        const QByteArray oldest = makeGif(1, 12);
        const QString copies[] = {"2001-02-03 04.05.06.007 MSN Messenger.gif",
                                  "2002-02-03 04.05.06.007 MSN Messenger.gif"};
        writeFileBytes(backups + copies[0], oldest);
        writeFileBytes(backups + copies[1], makeGif(2));
        writeFileBytes(backups + ".drapello-backups", (copies[0] + '\n' + copies[1]).toUtf8());
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        QVERIFY(keysUntilAsked(window, "Down Down", server, "/Abstract/Blauw.gif"));
        QVERIFY(ProgramRun::waitForStatus(program, "Skin succesvol gedownload!"));
        ProgramRun::pressKeys(window, "ctrl+i");
        QVERIFY(ProgramRun::waitForStatus(program, "Skin succesvol als achtergrond geplaatst!"));
        QCOMPARE(readFileBytes(lvback), blue);

        ProgramRun::pressKeys(window, "ctrl+h");
        const QString history = run.windowMatching(program, "^Geschiedenis$");
        QVERIFY(!history.isEmpty());
        QVERIFY(ProgramRun::waitForLog(
            program, "history: Nu ge\xc3\xafnstalleerd: Abstract / Blauw, MSN Messenger, "));
        ProgramRun::pressKeys(history, keys);
        if (!answer.isEmpty()) { // the question bears the history's title
            QStringList shown;
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return (shown = ProgramRun::visibleWindows(program, "^Geschiedenis$")).size() ==
                           2;
                },
                WindowBoundMs));
            shown.removeAll(history);
            ProgramRun::pressKeys(shown.constFirst(), answer);
            QTRY_COMPARE_WITH_TIMEOUT(ProgramRun::visibleWindows(program, "^Geschiedenis$").size(),
                                      1, WindowBoundMs);
        }
        if (restored) {
            QVERIFY(
                ProgramRun::waitForStatus(program, "Skin succesvol als achtergrond geplaatst!"));
            // Refreshed at once: no catalogue skin is installed now.
            QVERIFY(ProgramRun::waitForLog(program, "history: Nu ge\xc3\xafnstalleerd, MSN"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), restored ? oldest : blue, WindowBoundMs);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo::exists(backups + copies[0]), !deleted, WindowBoundMs);
        const QList<QByteArray> kept = fileBytesIn(backups, "*.gif").values();
        QCOMPARE(kept.size(), 3 + int(restored) - int(deleted)); // the user's own, kept by ctrl+i
        QCOMPARE(kept.contains(blue), restored);
        QCOMPARE(kept.contains(makePicture("png", 30, 20)), true);
    }
    void galleryShowsFindsAndPreviews_data()
    {
        QTest::addColumn<bool>("hostile"); // a category of pictures that are not what they seem
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("first"); // the picture of the first thumbnail shown
        QTest::newRow("from the tree, a click previews") << false << ""
                                                         << "/Sport/Tennis.gif";
        QTest::newRow("found in another category, Enter installs") << false << "ZON"
                                                                   << "/Natuur/Zonsondergang.gif";
        QTest::newRow("hostile server") << true << ""
                                        << "/Vijandig/Blauw.gif";
    }
    // Opties > Galerij, or a double-click on a category in the tree, shows a category's
    // thumbnails, kept in Cache; the category chooser moves through the others. A click on a
    // thumbnail previews as a click in the tree does, Enter installs it; the find field (Ctrl+F)
    // looks through every category. Pictures that are huge, endless or no pictures leave the others
    // shown and the window answering, in bounded memory.
    void galleryShowsFindsAndPreviews()
    {
        QFETCH(bool, hostile);
        QFETCH(QString, find);
        QFETCH(QString, first);
        ProgramRun run;
        HttpTestServer server;
        QString served = run.root() + "/served";
        if (hostile) {
            server.setFile("/voruzide.txt", "Vijandig");
            server.setFile("/Vijandig.txt", "Blauw*Eindeloos*Enorm*Geen plaatje*Rood");
            writeFileBytes(served + first, makePicture("png", 60, 80, Qt::blue));
            writeFileBytes(served + "/Vijandig/Rood.gif", makePicture("png", 60, 80, Qt::red));
            server.stall("/Vijandig/Eindeloos.gif");
            server.setFile("/Vijandig/Enorm.gif", makeGif(1, 16000)); // a canvas of 1 GiB
            server.setFile("/Vijandig/Geen plaatje.gif", "<html>Not here</html>");
            for (const QString& name : {first, QString("/Vijandig/Rood.gif")})
                server.setFile(name, readFileBytes(served + name));
            run.setSetting("base", server.baseUrl());
        } else {
            QCOMPARE(serveSample(run, server), served);
        }
        const QString thumbnails = run.cacheFolder() + "/thumbnails";
        auto kept = [&] { return QDir(thumbnails).entryList({"*.png"}).size(); };
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        QVERIFY(ProgramRun::waitForStatus(program, "Skinlijst succesvol gedownload!"));
        const bool browse = !hostile && find.isEmpty();
        if (browse) { // a double-click on the tree's third row, "Auto Motor"
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(run.cacheFolder() + "/Sport.tmp"),
                                     WindowBoundMs);
            const int top = 32 + ProgramRun::windowSize(window).height() - 353;
            ProgramRun::xdotool({"mousemove", "--window", window, "80", QString::number(top + 33),
                                 "click", "--repeat", "2", "1"});
        } else {
            QVERIFY(options(program, window, "Up Up Up Return")); // above History and the servers
        }
        const QString gallery = run.windowMatching(program, "^Galerij$");
        QVERIFY(!gallery.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(kept(), browse ? 3 : 2, WindowBoundMs);
        if (browse) { // the chooser, then the next categories
            ProgramRun::pressKeys(gallery, "shift+Tab shift+Tab");
            for (const int total : {6, 8}) { // what is passed by is not fetched: one at a time
                ProgramRun::typeKeys("Down");
                QTRY_COMPARE_WITH_TIMEOUT(kept(), total, WindowBoundMs);
            }
        }
        if (!find.isEmpty()) {
            ProgramRun::pressKeys(gallery, "ctrl+f");
            ProgramRun::typeKeys(find.split("").join(' ').trimmed());
            QTRY_COMPARE_WITH_TIMEOUT(kept(), 3, WindowBoundMs);
        }
        ProgramRun::clickAt(gallery, QPoint(60, 80));
        QVERIFY(ProgramRun::waitForStatus(program, "Bezig met voorbereiden..."));
        QVERIFY(ProgramRun::waitForStatus(program, "Skin succesvol gedownload!"));
        QVERIFY(ProgramRun::waitForStatus(program, "Geladen"));
        QCOMPARE(readFileBytes(run.cacheFolder() + "/temp.dat"), readFileBytes(served + first));
        if (!find.isEmpty()) {
            ProgramRun::pressKeys(gallery, "Return");
            QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.messengerFolder() + "/lvback.gif"),
                                      readFileBytes(served + first), WindowBoundMs);
        }
        if (hostile) {
            QTest::qWait(2000); // what could still come has had its chance
            QCOMPARE(kept(), 2);
            const QString status = QString::fromLatin1(
                readFileBytes(QString("/proc/%1/status").arg(program->processId())));
            const qint64 peakKb =
                status.section("VmHWM:", 1).section("kB", 0, 0).trimmed().toLongLong();
            QVERIFY2(peakKb > 0 && peakKb < 400 * 1024, qPrintable(QString::number(peakKb)));
        }
        ProgramRun::pressKeys(window, "ctrl+s"); // a thumbnail may still be on its way
        QVERIFY(program->waitForFinished(ExitBoundMs));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
    }
    void serverChosenInTheWindow_data()
    {
        QTest::addColumn<QString>("address"); // typed; %1: the second server
        QTest::addColumn<QString>("note");    // the dialog's answer; none: kept, then chosen
        const QString form = "Ongeldig adres: gebruik http:// of https://, een hostnaam en een / "
                             "aan het eind, zonder spaties.";
        const QString none = "Geen skinlijst gevonden op dit adres.";
        QTest::newRow("no scheme") << "127.0.0.1/ver/" << form;
        QTest::newRow("ftp") << "ftp://127.0.0.1/ver/" << form;
        QTest::newRow("no slash at the end") << "%1ver" << form;
        QTest::newRow("not found there") << "%1weg/" << none;
        QTest::newRow("no category list") << "%1rommel/" << none;
        QTest::newRow("a skin server, chosen") << "%1ver/"
                                               << "";
    }
    // Opties, "Skinserver kiezen": an address is checked before it is kept; the one chosen is
    // loaded at once and stays in use at the next start.
    void serverChosenInTheWindow()
    {
        QFETCH(QString, address);
        QFETCH(QString, note);
        ProgramRun run;
        HttpTestServer near, far;
        near.setFile("/voruzide.txt", "Dichtbij");
        near.setFile("/Dichtbij.txt", "Hier");
        far.setFile("/ver/voruzide.txt", "Verre Landen");
        far.setFile("/ver/Verre Landen.txt", "Zee");
        far.setFile("/ver/VerreLanden/Zee.gif", makePicture("png", 30, 20, Qt::blue));
        far.setFile("/rommel/voruzide.txt", "<html>\r\n<b>Oeps</b>\r\n</html>");
        address.replace("%1", far.baseUrl());
        run.setSetting("base", near.baseUrl());
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        // Greyed until the pass has ended, with its second list; then "Up" reaches it, the last.
        for (int list = 0; list < 2; ++list)
            QVERIFY(ProgramRun::waitForStatus(program, "Skinlijst succesvol gedownload!"));
        QVERIFY(options(program, window, "Up Return"));
        const QString title = "Skinserver kiezen";
        const QString dialog = run.windowMatching(program, title);
        QVERIFY(!dialog.isEmpty());
        ProgramRun::xdotool({"windowfocus", "--sync", dialog});
        ProgramRun::xdotool({"type", address});
        ProgramRun::pressKeys(dialog, "Return");
        if (!note.isEmpty()) {
            QVERIFY(ProgramRun::waitForLog(program, "server dialog: " + note.toUtf8() + '\n'));
            QCOMPARE(askedFor(far, "voruzide.txt"), note.startsWith("Geen"));
            QCOMPARE(run.setting("servers"), "<missing>");
            QCOMPARE(run.setting("base"), near.baseUrl());
            return;
        }
        QVERIFY(run.waitForSetting("servers"));
        QCOMPARE(run.setting("servers"), near.baseUrl() + ' ' + address);
        ProgramRun::pressKeys(dialog, "alt+g");
        QVERIFY(ProgramRun::waitUntilNoWindow(program, title)); // it lay over the tree
        QVERIFY(clickTreeUntil(window, [&] { return askedFor(far, "/ver/VerreLanden/Zee.gif"); }));
        QCOMPARE(run.setting("base"), address);
        ProgramRun::pressKeys(window, "ctrl+s");
        QVERIFY(program->waitForFinished(ExitBoundMs));
        near.resetCounts();
        far.resetCounts();
        QVERIFY(!run.windowOf(run.start()).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(askedFor(far, "/ver/Verre Landen.txt"), WindowBoundMs);
        QCOMPARE(near.requestCount(), 0);
    }
    // Started with a picture, Ctrl+I installs it without a download, or says Messenger is missing.
    // The argument is the program's whatever it looks like: Qt takes none of its own from it.
    void pictureArgumentInstalledOnlyWithMessenger()
    {
        ProgramRun run;
        HttpTestServer server;
        run.setSetting("base", server.baseUrl());
        run.setSetting("updatelist", "0");
        const QByteArray picture = makeGif();
        const QString mine = writeFileBytes(run.root() + "/my skins/rode auto.gif", picture);
        writeFileBytes(run.root() + "/-reverse", picture); // in the program's working folder
        const QString lvback = run.messengerFolder() + "/lvback.gif";
        for (const bool messenger : {false, true}) {
            QVERIFY(messenger ? QDir().mkpath(run.messengerFolder())
                              : QDir(run.messengerFolder()).removeRecursively());
            QProcess* program = run.start({messenger ? "-reverse" : mine});
            const QString window = run.windowOf(program);
            QVERIFY(!window.isEmpty());
            ProgramRun::pressKeys(window, "ctrl+i ctrl+s");
            QVERIFY(program->waitForFinished(ExitBoundMs));
            QCOMPARE(program->readAllStandardError().contains("76 - Messenger folder not found"),
                     !messenger);
            QCOMPARE(readFileBytes(lvback), messenger ? picture : QByteArray("<unreadable>"));
        }
        QCOMPARE(server.requestCount(), 0);
    }
    void pictureGivenWhileRunning_data()
    {
        // drop, "drop two" (files), start, "start late", "start behind silent" (callers)
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("picture"); // else a web page
        QTest::newRow("dropped") << "drop" << true;
        QTest::newRow("dropped, no picture") << "drop" << false;
        QTest::newRow("two files dropped") << "drop two" << true;
        QTest::newRow("second start, relative path") << "start" << true;
        QTest::newRow("second start during a stalled pass, no picture") << "start late" << false;
        QTest::newRow("second start behind callers that say nothing")
            << "start behind silent" << true;
    }
    // A picture dropped on the window, or named by a later start, is shown and made ready to
    // install as one named at the start: Ctrl+I installs its bytes. One that is no picture gives
    // the start's error line, once the pass under way has ended. Two files are not taken.
    void pictureGivenWhileRunning()
    {
        QFETCH(QString, how);
        QFETCH(bool, picture);
        ProgramRun run;
        HttpTestServer server;
        run.setSetting("base", server.baseUrl());
        const bool late = how == "start late";
        late ? server.stall("/voruzide.txt") : run.setSetting("updatelist", "0");
        const QByteArray bytes = picture ? makeGif() : QByteArray("<html>");
        const QString file = writeFileBytes(run.root() + "/my skins/rode auto.gif", bytes);
        const QString lvback = writeFileBytes(run.messengerFolder() + "/lvback.gif", "mine");
        QProcess* program = run.start();
        const QString window = run.windowOf(program);
        QVERIFY(!window.isEmpty());
        QProcess source; // stays until the files' names are taken
        if (how.startsWith("drop")) {
            source.start(DRAPELLO_DRAG_SOURCE,
                         how == "drop" ? QStringList{file} : QStringList{file, lvback});
            const QString from = ProgramRun::windowMatching(&source, "drag source");
            ProgramRun::xdotool({"mousemove", "--window", from, "30", "30", "mousedown", "1"});
            for (const char* x : {"100", "200", "300"}) // onto the preview, answered at each step
                ProgramRun::xdotool({"mousemove", "--window", window, x, "150", "sleep", "0.3"});
            ProgramRun::xdotool({"mouseup", "1"});
            QVERIFY(source.waitForReadyRead(WindowBoundMs));
            QCOMPARE(source.readAll().trimmed(), how == "drop" ? "copied" : "ignored");
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!late || askedFor(server, "/voruzide.txt"), WindowBoundMs);
            run.coverWith(window);
            // All but one of the running copy's places for callers taken by ones that say
            // nothing: a later start is still read at once, not after they time out.
            QList<int> silent;
            for (int i = 0; how == "start behind silent" && i < 7; ++i) {
                sockaddr_un address{};
                address.sun_family = AF_UNIX;
                qstrncpy(address.sun_path, QFile::encodeName(run.root() + "/run/drapello.socket"),
                         sizeof address.sun_path);
                silent << ::socket(AF_UNIX, SOCK_STREAM, 0);
                QCOMPARE(
                    ::connect(silent.last(), reinterpret_cast<sockaddr*>(&address), sizeof address),
                    0);
            }
            const auto hangUp = qScopeGuard([&] {
                for (const int socket : silent)
                    ::close(socket);
            });
            QProcess* second = run.start({"\"rode auto.gif\""}, run.root() + "/my skins");
            QVERIFY2(second->waitForFinished(ExitBoundMs), "the second copy kept running");
            // Raised in the same turn as it takes the picture: the message has been read.
            QVERIFY(QTest::qWaitFor([&] { return run.aboveCover(window); }, WindowBoundMs));
        }
        if (late) // the pass gives up the server and ends
            ProgramRun::pressKeys(window, "Escape");
        QVERIFY(!late || ProgramRun::waitForStatus(program, "Fout bij het downloaden!"));
        QVERIFY(picture ||
                ProgramRun::waitForStatus(program, "Fout opgetreden: 481 - Invalid picture"));
        if (picture && how != "drop two") { // shown: Ctrl+I installs it once it is
            QVERIFY(QTest::qWaitFor(
                [&] {
                    ProgramRun::pressKeys(window, "ctrl+i");
                    return QTest::qWaitFor([&] { return readFileBytes(lvback) == bytes; }, 1000);
                },
                WindowBoundMs));
        } else {
            ProgramRun::pressKeys(window, "ctrl+i ctrl+s");
            QVERIFY(program->waitForFinished(ExitBoundMs));
            QCOMPARE(readFileBytes(lvback), "mine");
        }
        source.close();
    }
};

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
