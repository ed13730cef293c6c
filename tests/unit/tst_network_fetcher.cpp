#include "platform/common/network_fetcher.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestNetworkFetcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void storesBody();
    void failureKeepsOldFile_data();
    void failureKeepsOldFile();
    void followsRedirect();
    void refusesRedirectLoop();
    void missingTargetFolder();
    void reusesConnection();
    void servesTimersWhileWaiting();
    void eventsInsideTheWait_data();
    void eventsInsideTheWait();
    void deadServerAskedOncePerRun_data();
    void deadServerAskedOncePerRun();

private:
    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    QString target;
};

void TestNetworkFetcher::init()
{
    server = std::make_unique<HttpTestServer>();
    dir = std::make_unique<QTemporaryDir>();
    target = dir->filePath(QStringLiteral("voruzide.tmp"));
}

void TestNetworkFetcher::cleanup()
{
    server.reset();
    dir.reset();
}

// Replaces an older, longer file, under a non-ASCII name, with nothing else left in the folder.
void TestNetworkFetcher::storesBody()
{
    QByteArray body;
    for (int i = 0; i < 200000; ++i)
        body += char(i % 251);
    server->setFile(QStringLiteral("/voruzide.txt"), body);
    const QString name = QStringLiteral("\u20AC Caf\u00E9.tmp");
    writeFileBytes(dir->filePath(name), QByteArray(300000, 'o'));
    NetworkFetcher fetcher(5000);
    QVERIFY(fetcher.fetch(server->baseUrl() + QStringLiteral("voruzide.txt"), dir->filePath(name)));
    QCOMPARE(readFileBytes(dir->filePath(name)), body);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

void TestNetworkFetcher::failureKeepsOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("oldFile");
    for (const char* fault : {"404", "500", "cut off", "never answers", "too large",
                              "redirect to ftp", "server gone"}) {
        QTest::addRow("%s, old copy", fault) << QString::fromLatin1(fault) << true;
        QTest::addRow("%s, no copy", fault) << QString::fromLatin1(fault) << false;
    }
}

void TestNetworkFetcher::failureKeepsOldFile()
{
    QFETCH(QString, fault);
    QFETCH(bool, oldFile);
    const QString url = server->baseUrl() + QStringLiteral("x.txt");
    // "too large" is served whole: 4000 bytes against a limit of 1000.
    playFault(*server, fault, QStringLiteral("/x.txt"), QByteArray(4000, 'n'));
    const QByteArray old("A*B*C\r\n\x80", 8);
    if (oldFile)
        writeFileBytes(target, old);
    NetworkFetcher fetcher(1000, 1000);
    QVERIFY(!fetcher.fetch(url, target));
    QCOMPARE(server->requestCount(), fault == QLatin1String("server gone") ? 0 : 1);
    if (oldFile)
        QCOMPARE(readFileBytes(target), old);
    const QStringList expected =
        oldFile ? QStringList{QStringLiteral("voruzide.tmp")} : QStringList{};
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), expected);
}

void TestNetworkFetcher::followsRedirect()
{
    server->redirect(QStringLiteral("/old/voruzide.txt"), QStringLiteral("/new/voruzide.txt"), 301);
    server->redirect(QStringLiteral("/new/voruzide.txt"),
                     server->baseUrl() + QStringLiteral("final.txt"), 307);
    server->setFile(QStringLiteral("/final.txt"), "A*B");
    NetworkFetcher fetcher(5000);
    QVERIFY(fetcher.fetch(server->baseUrl() + QStringLiteral("old/voruzide.txt"), target));
    QCOMPARE(readFileBytes(target), QByteArray("A*B"));
    // Qt sometimes repeats a redirected GET on a fresh connection; the hops stay in order.
    QStringList hops = server->requestedPaths();
    hops.removeDuplicates();
    QCOMPARE(hops,
             (QStringList{QStringLiteral("/old/voruzide.txt"), QStringLiteral("/new/voruzide.txt"),
                          QStringLiteral("/final.txt")}));
}

void TestNetworkFetcher::refusesRedirectLoop()
{
    server->redirect(QStringLiteral("/a"), QStringLiteral("/b"));
    server->redirect(QStringLiteral("/b"), QStringLiteral("/a"));
    NetworkFetcher fetcher(5000);
    QVERIFY(!fetcher.fetch(server->baseUrl() + QStringLiteral("a"), target));
    QVERIFY(!QFile::exists(target));
    // Bounded: a hop may already be on the wire when it is counted, but far from Qt's 50.
    QVERIFY2(server->requestCount() <= 2 * NetworkFetcher::MaxRedirects,
             qPrintable(QString::number(server->requestCount())));
}

void TestNetworkFetcher::missingTargetFolder()
{
    server->setFile(QStringLiteral("/x"), "data");
    NetworkFetcher fetcher(5000);
    QVERIFY(!fetcher.fetch(server->baseUrl() + QStringLiteral("x"),
                           dir->filePath(QStringLiteral("no/such/folder/x.tmp"))));
    QCOMPARE(server->requestCount(), 0);
}

void TestNetworkFetcher::reusesConnection()
{
    // Many small lists in a row: all must arrive, one after another, over keep-alive.
    NetworkFetcher fetcher(5000);
    for (int i = 0; i < 30; ++i) {
        const QByteArray body = QByteArray::number(i) + "*x";
        server->setFile(QStringLiteral("/c%1.txt").arg(i), body);
        QVERIFY(fetcher.fetch(server->baseUrl() + QStringLiteral("c%1.txt").arg(i), target));
        QCOMPARE(readFileBytes(target), body);
    }
    QCOMPARE(server->requestCount(), 30);
}

void TestNetworkFetcher::servesTimersWhileWaiting()
{
    // The window repaints and its timers run during a slow answer; the answer still arrives.
    server->setFile(QStringLiteral("/x"), "data");
    server->setDelay(400);
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&ticks] { ++ticks; });
    ticker.start();
    NetworkFetcher fetcher(5000);
    QVERIFY(fetcher.fetch(server->baseUrl() + QStringLiteral("x"), target));
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    QCOMPARE(readFileBytes(target), QByteArray("data"));
}

void TestNetworkFetcher::eventsInsideTheWait_data()
{
    QTest::addColumn<bool>("throws");
    QTest::newRow("a second fetch is refused") << false;
    QTest::newRow("an exception ends only the waiting fetch") << true;
}

// The window's events run while a fetch waits: a fetch started from them is refused, and an
// exception thrown there (out of memory while painting) ends the waiting fetch, old file kept.
// Either way the fetcher works as before afterwards, in the same run.
void TestNetworkFetcher::eventsInsideTheWait()
{
    QFETCH(bool, throws);
    server->setFile(QStringLiteral("/x"), "outer");
    server->setFile(QStringLiteral("/y"), "inner");
    server->setDelay(200);
    writeFileBytes(target, "old");
    NetworkFetcher fetcher(5000);
    const FetchRun run(fetcher);
    const QString x = server->baseUrl() + QStringLiteral("x");
    const QString y = server->baseUrl() + QStringLiteral("y");
    const QString inner = dir->filePath(QStringLiteral("inner.tmp"));
    int innerAnswer = -1;
    QTimer::singleShot(20, [&] {
        innerAnswer = fetcher.fetch(y, inner) ? 1 : 0;
        if (throws)
            throw std::bad_alloc();
    });
    if (throws)
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, fetcher.fetch(x, target));
    else
        QVERIFY(fetcher.fetch(x, target));
    QCOMPARE(innerAnswer, 0);
    QCOMPARE(readFileBytes(target), throws ? QByteArray("old") : QByteArray("outer"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("voruzide.tmp")});
    QVERIFY(fetcher.fetch(y, inner));
    QCOMPARE(readFileBytes(inner), QByteArray("inner"));
    QVERIFY(fetcher.fetch(x, target));
    QCOMPARE(readFileBytes(target), QByteArray("outer"));
}

void TestNetworkFetcher::deadServerAskedOncePerRun_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("askedAgain");
    QTest::newRow("never answers") << QStringLiteral("never answers") << false;
    QTest::newRow("trickles past the total") << QStringLiteral("trickles") << false;
    QTest::newRow("trickles below the rate") << QStringLiteral("trickles slowly") << false;
    QTest::newRow("header lines trickle") << QStringLiteral("header trickle") << false;
    QTest::newRow("404") << QStringLiteral("404") << true;
    QTest::newRow("cut off") << QStringLiteral("cut off") << true;
}

// Within a run, a server that gave no answer, or no whole file in time, is not asked again: the
// next fetch fails at once and keeps the old copy. A server that did answer is asked again, and
// so is a dead one in the next run.
void TestNetworkFetcher::deadServerAskedOncePerRun()
{
    QFETCH(QString, fault);
    QFETCH(bool, askedAgain);
    const QString x = QStringLiteral("/x.txt");
    // 200 bytes at 30 ms keep above 8 bytes per half second, but take longer than four seconds;
    // 12 bytes at 150 ms, or 10 header lines at 300 ms, end within them, but too slowly.
    if (fault == QLatin1String("trickles"))
        server->trickle(x, QByteArray(200, 't'), 30);
    else if (fault == QLatin1String("trickles slowly"))
        server->trickle(x, QByteArray(12, 't'), 150);
    else if (fault == QLatin1String("header trickle"))
        server->trickleHeaders(x, 10, "late", 300);
    else
        playFault(*server, fault, x, QByteArray(4000, 'n'));
    server->setFile(QStringLiteral("/y.txt"), "fresh");
    writeFileBytes(target, "old");
    const QString y = server->baseUrl() + QStringLiteral("y.txt");
    NetworkFetcher fetcher(1000, NetworkFetcher::DefaultMaxBytes, 4000, 500, 8);
    {
        const FetchRun run(fetcher);
        QVERIFY(!fetcher.fetch(server->baseUrl() + QStringLiteral("x.txt"),
                               dir->filePath(QStringLiteral("x.tmp"))));
        QCOMPARE(fetcher.fetch(y, target), askedAgain);
    }
    QCOMPARE(server->requestedPaths().contains(QStringLiteral("/y.txt")), askedAgain);
    QCOMPARE(readFileBytes(target), askedAgain ? QByteArray("fresh") : QByteArray("old"));
    const FetchRun next(fetcher);
    QVERIFY(fetcher.fetch(y, target));
    QCOMPARE(readFileBytes(target), QByteArray("fresh"));
}

QTEST_GUILESS_MAIN(TestNetworkFetcher)
#include "tst_network_fetcher.moc"
