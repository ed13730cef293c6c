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
#include <optional>

namespace {
constexpr qint64 ListBytes = qint64(8) * 1024 * 1024; // what the core allows a list

// Files open in the folder, those without a name too (a temporary file may have none).
QStringList openIn(const QString& folder)
{
    QStringList open;
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System))
        if (fd.symLinkTarget().startsWith(folder + '/'))
            open << fd.symLinkTarget();
    return open;
}

void playFault(HttpTestServer& server, const QString& fault, const QString& path, qint64 limit)
{
    const QByteArray large(limit + 1, 'n'), small(900, 'n'); // small: under the 1000-byte limit
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
} // namespace

class TestNetworkFetcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpTestServer>();
        dir = std::make_unique<QTemporaryDir>();
        target = dir->filePath(QStringLiteral("voruzide.tmp"));
        receiver = std::make_unique<QObject>(); // a row's late reports go with it
        outcomes.clear();
        ids.clear();
    }
    // Every report came from the event loop, none from inside the call that caused it.
    void cleanup() { QCOMPARE(synchronous, 0); }
    // Replaces an older, longer file under a non-ASCII name, nothing else left in the folder; held
    // in memory or written as it comes.
    void storesBodyAndFollowsRedirects()
    {
        QByteArray body;
        for (int i = 0; i < 200000; ++i)
            body += char(i % 251);
        server->redirect(QStringLiteral("/old/voruzide.txt"), QStringLiteral("/new/voruzide.txt"),
                         301);
        server->redirect(QStringLiteral("/new/voruzide.txt"), url("final.txt"), 307);
        server->setFile(QStringLiteral("/final.txt"), body);
        const QString name = QStringLiteral("\u20AC Caf\u00E9.tmp");
        NetworkFetcher fetcher(5000);
        for (const qint64 limit : {ListBytes, NetworkFetcher::DefaultMaxBytes}) {
            writeFileBytes(dir->filePath(name), QByteArray(300000, 'o'));
            QCOMPARE(fetchNow(fetcher, url("old/voruzide.txt"), dir->filePath(name), limit), 1);
            QCOMPARE(fileBytesIn(dir->path()), (QMap<QString, QByteArray>{{name, body}}));
        }
    }
    void failureKeepsOldFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<qint64>("limit");
        // No answer, or no whole file in time. A size over the limit is the file's fault alone.
        QTest::addColumn<bool>("dead");
        const QStringList dead{"never answers", "server gone", "slow body"};
        for (const QString fault :
             {"404", "500", "cut off", "never answers", "too large", "too large, unannounced",
              "redirect loop", "redirect to ftp", "server gone", "slow body", "https to http"})
            QTest::newRow(qPrintable(fault)) << fault << qint64(1000) << dead.contains(fault);
        QTest::newRow("list over 8 MiB") << "too large" << ListBytes << false;
        QTest::newRow("list over 8 MiB, unannounced")
            << "too large, unannounced" << ListBytes << false;
    }
    // Within a run, a dead server is not asked again, one that answered is; the next run asks
    // again. Up to 8 MiB, not even a temporary file appears before the whole file is there.
    void failureKeepsOldFile()
    {
        QFETCH(QString, fault);
        QFETCH(qint64, limit);
        QFETCH(bool, dead);
        playFault(*server, fault, QStringLiteral("/x.txt"), limit);
        server->setFile("/y.txt", "fresh");
        const QByteArray old("A*B*C\r\n\x80", 8);
        writeFileBytes(target, old);
        const QMap<QString, QByteArray> untouched{{"voruzide.tmp", old}};
        std::unique_ptr<HttpTestServer> tls; // redirects to the plain server's copy
        QTemporaryDir keys;
        if (fault == "https to http") {
            const QString key = keys.filePath("key.pem"), certificate = keys.filePath("cert.pem");
            if (QProcess::execute("openssl",
                                  {"req", "-x509", "-newkey", "ec", "-pkeyopt",
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
        NetworkFetcher fetcher(tls ? 5000 : 1000, NetworkFetcher::DefaultMaxBytes,
                               NetworkFetcher::DefaultTotalTimeoutMs, 400, 100);
        {
            const FetchRun run(fetcher);
            const int x =
                start(fetcher, (tls ? tls->baseUrl() : server->baseUrl()) + "x.txt", target, limit);
            QCOMPARE(fileBytesIn(dir->path()), untouched);
            QCOMPARE(openIn(dir->path()), QStringList());
            QCOMPARE(outcome(x), 0);
            qunsetenv("SSL_CERT_FILE");
            if (tls) // refused at the redirect, not at the handshake
                QCOMPARE(tls->requestCount(), 1);
            QCOMPARE(fileBytesIn(dir->path()), untouched);
            // Bounded: a redirect hop may already be on the wire when it is counted.
            QVERIFY(server->requestCount() <=
                    (fault == "redirect loop" ? 2 * NetworkFetcher::MaxRedirects : 1));
            QCOMPARE(fetchNow(fetcher, url("y.txt"), dir->filePath("y.tmp")), int(!dead));
            QCOMPARE(server->requestedPaths().contains("/y.txt"), !dead);
        }
        const FetchRun next(fetcher);
        QCOMPARE(fetchNow(fetcher, url("y.txt"), dir->filePath("y.tmp")),
                 int(fault != "server gone"));
    }
    void cancelEndsAtOnce_data()
    {
        QTest::addColumn<bool>("inRun");
        QTest::addColumn<bool>("all");
        QTest::addColumn<bool>("alone"); // the one given up was fetched outside the run
        QTest::newRow("one, outside a run") << false << false << false;
        QTest::newRow("one, in a run") << true << false << false;
        QTest::newRow("one fetched alone, in a run") << true << false << true;
        QTest::newRow("all, in a run") << true << true << false;
    }
    // Given up during a stalled answer, long before any time-out: the old file stays, and within a
    // run the server is not asked again, unless what was given up was fetched alone. A fetch
    // alone is made even then.
    void cancelEndsAtOnce()
    {
        QFETCH(bool, inRun);
        QFETCH(bool, all);
        QFETCH(bool, alone);
        for (const char* path : {"/x.txt", "/z.txt", "/a.txt", "/b.txt"})
            server->stall(path);
        server->setFile("/y.txt", "fresh");
        writeFileBytes(target, "old");
        NetworkFetcher fetcher;
        std::optional<FetchRun> run;
        if (inRun)
            run.emplace(fetcher);
        fetcher.fetchAhead({url("a.txt"), url("b.txt")}, ListBytes);
        const int x = start(fetcher, url("x.txt"), target, ListBytes, alone);
        const int z = start(fetcher, url("z.txt"), dir->filePath("z.tmp"), ListBytes);
        QTRY_VERIFY(server->requestedPaths().contains("/x.txt") &&
                    server->requestedPaths().contains("/z.txt"));
        call([&] { all ? fetcher.cancelAll() : fetcher.cancel(ids[x]); });
        QCOMPARE(outcome(x, 3000), 0);
        QCOMPARE(outcome(z, all ? 3000 : 0), all ? 0 : -1);
        QCOMPARE(fileBytesIn(dir->path()), (QMap<QString, QByteArray>{{"voruzide.tmp", "old"}}));
        QCOMPARE(fetchNow(fetcher, url("y.txt"), dir->filePath("y.tmp")), int(!inRun || alone));
        QCOMPARE(server->requestedPaths().contains("/y.txt"), !inRun || alone);
        QCOMPARE(outcome(start(fetcher, url("y.txt"), dir->filePath("w.tmp"), ListBytes, true)), 1);
    }
    // While a slow file is awaited, those announced ahead start, but only so many at once: those
    // awaiting an answer (the awaited one among the connections), and those held.
    void fetchAheadBounded()
    {
        for (const int bound : {NetworkFetcher::MaxParallel, int(NetworkFetcher::MaxHeldAhead)}) {
            init();
            QStringList ahead;
            for (int i = 0; i < 2 * bound; ++i) {
                const QString path = QString("/%1.txt").arg(i);
                bound == NetworkFetcher::MaxParallel ? server->stall(path)
                                                     : server->setFile(path, "l");
                ahead << server->baseUrl() + path.mid(1);
            }
            server->setFile("/y.txt", "y", true, 500);
            NetworkFetcher fetcher(5000);
            const FetchRun run(fetcher);
            fetcher.fetchAhead(ahead, ListBytes);
            QCOMPARE(fetchNow(fetcher, url("y.txt"), target), 1);
            // The one that gave way to y starts again once y is in.
            const int restarted = bound == NetworkFetcher::MaxParallel;
            QVERIFY(server->requestCount() > 1 && server->requestCount() <= bound + 1 + restarted);
            QVERIFY(server->maxConnections() <= NetworkFetcher::MaxParallel);
        }
    }
    void passFetchedAheadAsOneByOne_data()
    {
        QTest::addColumn<QString>("fault"); // of the fourth list, D
        for (const char* fault : {"none", "404", "500", "close"})
            QTest::newRow(fault) << QString::fromLatin1(fault);
    }
    // A loading pass: more lists than connections, the first ones slowest, each asked for once the
    // one before is in, the first failure ending it. Whatever order they arrive in, fetched ahead
    // it ends, and leaves behind, exactly what fetching one by one does; a close leaves the old
    // copies.
    void passFetchedAheadAsOneByOne()
    {
        QFETCH(QString, fault);
        const QStringList names{"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
        QStringList urls;
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray name = names[i].toLatin1();
            server->setFile("/" + name + ".txt", "new" + name, true, qMax(0, 300 - 100 * i));
            urls << server->baseUrl() + names[i] + ".txt";
        }
        if (fault == "404" || fault == "500")
            playFault(*server, fault, "/D.txt", ListBytes);
        QStringList reports[2];
        QMap<QString, QByteArray> after[2];
        for (const bool ahead : {false, true}) {
            server->resetCounts();
            const QTemporaryDir cache;
            for (const QString& name : names.mid(3))
                writeFileBytes(cache.filePath(name + ".tmp"), "old" + name.toLatin1());
            NetworkFetcher fetcher(5000);
            {
                const FetchRun run(fetcher);
                if (ahead)
                    fetcher.fetchAhead(urls, ListBytes);
                if (fault == "close")
                    QTimer::singleShot(100, receiver.get(),
                                       [&] { call([&] { fetcher.cancelAll(); }); });
                for (int i = 0, got = 1; got != 0 && i < names.size(); ++i) {
                    got = fetchNow(fetcher, urls[i], cache.filePath(names[i] + ".tmp"));
                    reports[ahead] << names[i] + QString::number(got);
                }
            }
            after[ahead] = fileBytesIn(cache.path());
            // Fetched ahead, yet the copies the pass did not reach are untouched.
            if (ahead && fault == "404")
                QVERIFY(server->requestedPaths().contains("/J.txt"));
            if (fault == "none") // each copy fetched ahead is the one taken
                QCOMPARE(server->requestCount(), names.size());
        }
        QCOMPARE(reports[true], reports[false]);
        QCOMPARE(after[true], after[false]);
        QCOMPARE(after[true].value("J.tmp"), fault == "none" ? "newJ" : "oldJ");
        QCOMPARE(reports[true].size(), fault == "none" ? 10 : fault == "close" ? 1 : 4);
    }

private:
    QString url(const char* path) const { return server->baseUrl() + QLatin1String(path); }
    template <typename Call> void call(Call&& c)
    {
        inside = true;
        c();
        inside = false;
    }
    // The fetch's number among this row's; its outcome lands in outcomes.
    int start(UrlFetcher& fetcher, const QString& url, const QString& path, qint64 limit,
              bool alone = false)
    {
        const int n = int(outcomes.size());
        outcomes.push_back(-1);
        const auto done = [this, n](bool arrived) {
            synchronous += inside;
            outcomes[n] = arrived;
        };
        call([&] {
            ids.push_back(alone ? fetcher.fetchAlone(url, path, limit, receiver.get(), done)
                                : fetcher.fetch(url, path, limit, receiver.get(), done));
        });
        return n;
    }
    // -1 while it has not ended.
    int outcome(int n, int waitMs = 20000)
    {
        return QTest::qWaitFor([&] { return outcomes[n] >= 0; }, waitMs) ? outcomes[n] : -1;
    }
    int fetchNow(UrlFetcher& f, const QString& url, const QString& path, qint64 limit = ListBytes)
    {
        return outcome(start(f, url, path, limit));
    }

    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    QString target;
    std::unique_ptr<QObject> receiver;
    std::vector<int> outcomes;
    std::vector<UrlFetcher::FetchId> ids;
    bool inside = false;
    int synchronous = 0;
};

QTEST_GUILESS_MAIN(TestNetworkFetcher)
#include "tst_network_fetcher.moc"
