#include "core/skin_controller.h"
#include "platform/common/network_fetcher.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

namespace {
void playFault(HttpTestServer& server, const QString& fault, const QString& path)
{
    const QByteArray large(4000, 'n'), small(900, 'n'); // the tests' limit is 1000 bytes
    const std::map<QString, std::function<void()>> faults{
        {"404", [&] { server.answerStatus(path, 404); }},
        {"500", [&] { server.answerStatus(path, 500); }},
        {"cut off", [&] { server.dropMidBody(path, small); }},
        {"never answers", [&] { server.stall(path); }},
        {"too large", [&] { server.setFile(path, large); }},
        {"too large, unannounced", [&] { server.setFile(path, large, false); }},
        {"redirect loop", [&] { server.redirect(path, path); }},
        {"redirect to ftp", [&] { server.redirect(path, "ftp://127.0.0.1" + path); }},
        {"server gone", [&] { server.stop(); }},
        {"slow body", [&] { server.trickle(path, small, 100); }},
        {"https to http", [] {}}}; // a server of its own
    faults.at(fault)();
}
// The real fetcher, one file after the other.
struct OneByOne : NetworkFetcher {
    using NetworkFetcher::NetworkFetcher;
    void fetchAhead(const QStringList&) override {}
};
} // namespace

class TestNetworkFetcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpTestServer>();
        dir = std::make_unique<QTemporaryDir>();
        target = dir->filePath(QStringLiteral("voruzide.tmp"));
    }
    void storesBodyAndFollowsRedirects();
    void failureKeepsOldFile_data();
    void failureKeepsOldFile();
    void fetchAheadBounded();
    void passFetchedAheadAsOneByOne_data();
    void passFetchedAheadAsOneByOne();

private:
    QString url(const char* path) const { return server->baseUrl() + QLatin1String(path); }

    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    QString target;
};

// Replaces an older, longer file under a non-ASCII name, nothing else left in the folder.
void TestNetworkFetcher::storesBodyAndFollowsRedirects()
{
    QByteArray body;
    for (int i = 0; i < 200000; ++i)
        body += char(i % 251);
    server->redirect(QStringLiteral("/old/voruzide.txt"), QStringLiteral("/new/voruzide.txt"), 301);
    server->redirect(QStringLiteral("/new/voruzide.txt"), url("final.txt"), 307);
    server->setFile(QStringLiteral("/final.txt"), body);
    const QString name = QStringLiteral("\u20AC Caf\u00E9.tmp");
    writeFileBytes(dir->filePath(name), QByteArray(300000, 'o'));
    NetworkFetcher fetcher(5000);
    QVERIFY(fetcher.fetch(url("old/voruzide.txt"), dir->filePath(name)));
    QCOMPARE(fileBytesIn(dir->path()), (QMap<QString, QByteArray>{{name, body}}));
}

void TestNetworkFetcher::failureKeepsOldFile_data()
{
    QTest::addColumn<QString>("fault");
    // No answer, or no whole file in time; a size announced over the limit ends it before the
    // answer counts.
    QTest::addColumn<bool>("dead");
    const QStringList dead{"never answers", "server gone", "slow body", "too large"};
    for (const QString fault :
         {"404", "500", "cut off", "never answers", "too large", "too large, unannounced",
          "redirect loop", "redirect to ftp", "server gone", "slow body", "https to http"})
        QTest::newRow(qPrintable(fault)) << fault << dead.contains(fault);
}

// Within a run, a dead server is not asked again, one that answered is; the next run asks again.
void TestNetworkFetcher::failureKeepsOldFile()
{
    QFETCH(QString, fault);
    QFETCH(bool, dead);
    playFault(*server, fault, QStringLiteral("/x.txt"));
    server->setFile("/y.txt", "fresh");
    const QByteArray old("A*B*C\r\n\x80", 8);
    writeFileBytes(target, old);
    std::unique_ptr<HttpTestServer> tls; // redirects to the plain server's copy
    QTemporaryDir keys;
    if (fault == "https to http") {
        const QString key = keys.filePath("key.pem"), certificate = keys.filePath("cert.pem");
        if (QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                          "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                                          "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                                          "-keyout", key, "-out", certificate}) != 0)
            QSKIP("openssl cannot make a certificate");
        tls = std::make_unique<HttpTestServer>(certificate, key);
        tls->redirect("/x.txt", url("x.txt"));
        server->setFile("/x.txt", "plain");
        qputenv("SSL_CERT_FILE", QFile::encodeName(certificate));
    }
    // A handshake on a busy machine may take a while.
    NetworkFetcher fetcher(tls ? 5000 : 1000, 1000, NetworkFetcher::DefaultTotalTimeoutMs, 400,
                           100);
    {
        const FetchRun run(fetcher);
        QVERIFY(!fetcher.fetch((tls ? tls->baseUrl() : server->baseUrl()) + "x.txt", target));
        qunsetenv("SSL_CERT_FILE");
        if (tls) // refused at the redirect, not at the handshake
            QCOMPARE(tls->requestCount(), 1);
        QCOMPARE(fileBytesIn(dir->path()), (QMap<QString, QByteArray>{{"voruzide.tmp", old}}));
        // Bounded: a redirect hop may already be on the wire when it is counted.
        QVERIFY(server->requestCount() <=
                (fault == "redirect loop" ? 2 * NetworkFetcher::MaxRedirects : 1));
        QCOMPARE(fetcher.fetch(url("y.txt"), dir->filePath("y.tmp")), !dead);
        QCOMPARE(server->requestedPaths().contains("/y.txt"), !dead);
    }
    const FetchRun next(fetcher);
    QCOMPARE(fetcher.fetch(url("y.txt"), dir->filePath("y.tmp")), fault != "server gone");
}

// While a slow file is awaited, those announced ahead start, but only so many at once: those
// awaiting an answer (the awaited one among the connections), and those held.
void TestNetworkFetcher::fetchAheadBounded()
{
    for (const int bound : {NetworkFetcher::MaxParallel, int(NetworkFetcher::MaxHeldAhead)}) {
        init();
        QStringList ahead;
        for (int i = 0; i < 2 * bound; ++i) {
            const QString path = QString("/%1.txt").arg(i);
            bound == NetworkFetcher::MaxParallel ? server->stall(path) : server->setFile(path, "l");
            ahead << server->baseUrl() + path.mid(1);
        }
        server->setFile("/y.txt", "y", true, 500);
        NetworkFetcher fetcher(5000);
        const FetchRun run(fetcher);
        fetcher.fetchAhead(ahead);
        QVERIFY(fetcher.fetch(url("y.txt"), target));
        QVERIFY(server->requestCount() > 1 && server->requestCount() <= bound + 1);
        QVERIFY(server->maxConnections() <= NetworkFetcher::MaxParallel);
    }
}

void TestNetworkFetcher::passFetchedAheadAsOneByOne_data()
{
    QTest::addColumn<QString>("fault"); // of the fourth list, D
    for (const char* fault : {"none", "404", "500", "close"})
        QTest::newRow(fault) << QString::fromLatin1(fault);
}

// More lists than connections, the first ones slowest: whatever order they arrive in, the pass
// reports, and leaves in Cache, exactly what fetching one by one does. A missing list ends it
// with the later copies as they were; a close ends it leaving nothing behind.
void TestNetworkFetcher::passFetchedAheadAsOneByOne()
{
    QFETCH(QString, fault);
    const QStringList names{"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
    server->setFile("/voruzide.txt", names.join('*').toLatin1());
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray name = names[i].toLatin1();
        server->setFile("/" + name + ".txt", "new" + name + "*x" + name, true,
                        qMax(0, 300 - 100 * i));
    }
    if (fault != "none" && fault != "close")
        playFault(*server, fault, "/D.txt");
    QStringList lines[2]; // the reports, then the tree
    QMap<QString, QByteArray> before, after[2];
    for (const bool ahead : {false, true}) {
        server->resetCounts();
        TestProfile profile;
        profile.setSetting("base", server->baseUrl());
        for (const QString& name : names.mid(fault == "404" ? 4 : 3))
            writeFileBytes(profile.cacheFolder() + '/' + name + ".tmp", "old" + name.toLatin1());
        before = fileBytesIn(profile.cacheFolder());
        profile.services.fetcher =
            ahead ? std::make_unique<NetworkFetcher>(5000) : std::make_unique<OneByOne>(5000);
        SkinController controller(profile.services);
        ReportLog log(controller);
        controller.language().loadDefault();
        controller.start(QString());
        if (fault == "close")
            QTimer::singleShot(100, &controller,
                               [&profile] { profile.services.fetcher->cancel(); });
        controller.loadCatalogue();
        lines[ahead] = log.lines << log.shape();
        after[ahead] = fileBytesIn(profile.cacheFolder());
        // Fetched ahead, yet the copies the pass did not reach are untouched.
        if (ahead && fault == "404")
            QVERIFY(server->requestedPaths().contains("/J.txt"));
    }
    QCOMPARE(lines[true], lines[false]);
    QCOMPARE(after[true], after[false]);
    if (fault == "close" || fault == "404")
        QCOMPARE(after[true].value("J.tmp"), QByteArray("oldJ"));
    if (fault == "close") // the category list and the old copies, nothing else
        QCOMPARE(after[true].size(), before.size() + 1);
    else
        QVERIFY(lines[true].last().contains(" C(newC,xC)"));
}

QTEST_GUILESS_MAIN(TestNetworkFetcher)
#include "tst_network_fetcher.moc"
