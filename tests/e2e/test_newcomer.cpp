// What a newcomer does, with the real program under X, the sample catalogue built by the real
// catalogue tool and served from 127.0.0.1: the catalogue lands, Ctrl+U fetches it again, a
// clicked skin is previewed and installed, a picture given on the command line is installed.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestNewcomer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void catalogueLandsAndRefreshes();
    void clickedSkinIsPreviewedAndInstalled();
    void commandLinePictureInstalledWithCtrlI();

private:
    // The skin server's files, built afresh for each run by the real catalogue tool.
    static QString servedFolder(const ProgramRun& run) { return run.root() + QStringLiteral("/served"); }
    static bool buildServedTree(const ProgramRun& run);
    // Starts the program on X against a server of the sample catalogue; returns its window.
    QString startOnCatalogue(ProgramRun& run, HttpTestServer& server,
                             const QStringList& arguments = {});
};

void TestNewcomer::initTestCase()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
}

bool TestNewcomer::buildServedTree(const ProgramRun& run)
{
    QProcess tool;
    tool.start(QStringLiteral(DRAPELLO_CATALOGUE_TOOL),
               {QStringLiteral(DRAPELLO_SAMPLE_CATALOGUE), servedFolder(run)});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0) {
        qWarning("catalogue tool: %s", tool.readAllStandardError().constData());
        return false;
    }
    return true;
}

QString TestNewcomer::startOnCatalogue(ProgramRun& run, HttpTestServer& server,
                                       const QStringList& arguments)
{
    if (!buildServedTree(run))
        return {};
    server.serveFolder(servedFolder(run));
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    run.onX11();
    QProcess* program = run.start(arguments);
    return run.windowOf(program);
}

void TestNewcomer::catalogueLandsAndRefreshes()
{
    ProgramRun run;
    HttpTestServer server;
    const QString window = startOnCatalogue(run, server);
    QVERIFY(!window.isEmpty());

    const QStringList lists = {QStringLiteral("voruzide"), QStringLiteral("Abstract"),
                               QStringLiteral("Auto Motor"), QStringLiteral("Natuur"),
                               QStringLiteral("Sport")};
    for (const QString& list : lists) {
        const QString copy = run.cacheFolder() + QLatin1Char('/') + list + QStringLiteral(".tmp");
        const QByteArray original =
            readFileBytes(servedFolder(run) + QLatin1Char('/') + list + QStringLiteral(".txt"));
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(copy), original, 20000);
    }

    // The server's lists change; Ctrl+U throws the copies away and fetches everything again.
    writeFileBytes(servedFolder(run) + QStringLiteral("/voruzide.txt"), "Natuur*Nieuw");
    writeFileBytes(servedFolder(run) + QStringLiteral("/Nieuw.txt"), "Eerste*Tweede");
    writeFileBytes(servedFolder(run) + QStringLiteral("/Natuur.txt"), "Bos");
    const int before = server.requestCount();
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+u"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.cacheFolder() + QStringLiteral("/Nieuw.tmp")),
                              QByteArray("Eerste*Tweede"), 20000);
    QCOMPARE(readFileBytes(run.cacheFolder() + QStringLiteral("/Natuur.tmp")), QByteArray("Bos"));
    QCOMPARE(readFileBytes(run.cacheFolder() + QStringLiteral("/voruzide.tmp")),
             QByteArray("Natuur*Nieuw"));
    QVERIFY(!QFile::exists(run.cacheFolder() + QStringLiteral("/Sport.tmp")));
    QCOMPARE(server.requestCount() - before, 3);
}

void TestNewcomer::clickedSkinIsPreviewedAndInstalled()
{
    ProgramRun run;
    HttpTestServer server;
    const QString window = startOnCatalogue(run, server);
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(run.cacheFolder() + QStringLiteral("/Sport.tmp")),
                             20000);
    QTest::qWait(300); // let the tree take the last category

    // Open every category as a user would: select the root, press "*".
    // The client area is 353 pixels high; the menu bar sits above it.
    const int menuBar = ProgramRun::windowSize(window).height() - 353;
    QVERIFY(menuBar > 0);
    ProgramRun::clickAt(window, QPoint(8 + 40, 32 + menuBar + 4));
    ProgramRun::pressKeys(window, QStringLiteral("KP_Multiply"));

    // Click down the tree until a skin's picture is asked for.
    server.resetCounts();
    QString asked;
    for (int y = 14; y < 280 && asked.isEmpty(); y += 6) {
        ProgramRun::clickAt(window, QPoint(8 + 60, 32 + menuBar + y));
        for (int wait = 0; wait < 10 && asked.isEmpty(); ++wait) {
            QTest::qWait(30);
            for (const QString& path : server.requestedPaths()) {
                if (path.endsWith(QStringLiteral(".gif")))
                    asked = path;
            }
        }
    }
    QVERIFY2(!asked.isEmpty(), "no click reached a skin");
    const QByteArray picture = readFileBytes(servedFolder(run) + asked);
    QVERIFY(picture.startsWith("GIF8"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.cacheFolder() + QStringLiteral("/temp.dat")), picture,
                              20000);

    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.messengerFolder() + QStringLiteral("/lvback.gif")),
                              picture, 20000);
    QCOMPARE(QDir(run.messengerFolder()).entryList(QDir::Files),
             QStringList{QStringLiteral("lvback.gif")});
}

void TestNewcomer::commandLinePictureInstalledWithCtrlI()
{
    ProgramRun run;
    HttpTestServer server;
    const QString picturePath = run.root() + QStringLiteral("/my skins/rode auto.gif");
    QDir().mkpath(run.root() + QStringLiteral("/my skins"));
    const QByteArray picture = readFileBytes(QStringLiteral(DRAPELLO_SAMPLE_CATALOGUE) +
                                       QStringLiteral("/Auto Motor/Rode Ferrari.gif"));
    QVERIFY(picture.startsWith("GIF8"));
    writeFileBytes(picturePath, picture);
    writeFileBytes(run.messengerFolder() + QStringLiteral("/lvback.gif"), "old background");

    const QString window = startOnCatalogue(run, server, {picturePath});
    QVERIFY(!window.isEmpty());
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.messengerFolder() + QStringLiteral("/lvback.gif")),
                              picture, 20000);
    QCOMPARE(QDir(run.messengerFolder()).entryList(QDir::Files),
             QStringList{QStringLiteral("lvback.gif")});
    // A picture on the command line means: work from the cache, download nothing.
    QTest::qWait(500);
    QCOMPARE(server.requestCount(), 0);
}

QTEST_GUILESS_MAIN(TestNewcomer)
#include "test_newcomer.moc"
