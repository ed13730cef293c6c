#include "platform/network_fetcher.h"
#include "support/http_test_server.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

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
    void sendsBackslashAsSlashAndUtf8();
    void storesUnderUnicodeFileName();
    void unreachableServer();
    void missingTargetFolder();
    void reusesConnection();

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

void TestNetworkFetcher::storesBody()
{
    QByteArray body;
    for (int i = 0; i < 200000; ++i)
        body += char(i % 251);
    server->setFile(QStringLiteral("/voruzide.txt"), body);
    write(target, "old and longer than nothing");
    NetworkFetcher fetcher(5000);
    QVERIFY(fetcher.fetch(server->baseUrl() + QStringLiteral("voruzide.txt"), target));
    QCOMPARE(readAll(target), body);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("voruzide.tmp")});
}

void TestNetworkFetcher::failureKeepsOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("oldFile");
    for (const char* fault : {"404", "500", "drop", "stall", "too large", "redirect to ftp"}) {
        QTest::addRow("%s, old copy", fault) << QString::fromLatin1(fault) << true;
        QTest::addRow("%s, no copy", fault) << QString::fromLatin1(fault) << false;
    }
}

void TestNetworkFetcher::failureKeepsOldFile()
{
    QFETCH(QString, fault);
    QFETCH(bool, oldFile);
    const QString path = QStringLiteral("/x.txt");
    const QByteArray body(4000, 'n');
    if (fault == QLatin1String("404"))
        server->answerStatus(path, 404);
    else if (fault == QLatin1String("500"))
        server->answerStatus(path, 500);
    else if (fault == QLatin1String("drop"))
        server->dropMidBody(path, body);
    else if (fault == QLatin1String("stall"))
        server->stall(path);
    else if (fault == QLatin1String("too large"))
        server->setFile(path, body);
    else
        server->redirect(path, QStringLiteral("ftp://127.0.0.1/x.txt"));

    const QByteArray old("A*B*C\r\n\x80", 8);
    if (oldFile)
        write(target, old);
    NetworkFetcher fetcher(1000, 1000);
    QVERIFY(!fetcher.fetch(server->baseUrl() + QStringLiteral("x.txt"), target));
    QCOMPARE(server->requestCount(), 1);
    if (oldFile)
        QCOMPARE(readAll(target), old);
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
    QCOMPARE(readAll(target), QByteArray("A*B"));
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

void TestNetworkFetcher::sendsBackslashAsSlashAndUtf8()
{
    server->setFile(QStringLiteral("/Auto Motor/Caf\u00E9 1.gif"), "GIF89a");
    NetworkFetcher fetcher(5000);
    QVERIFY(
        fetcher.fetch(server->baseUrl() + QStringLiteral("Auto Motor\\Caf\u00E9 1.gif"), target));
    QCOMPARE(server->rawRequestPaths(),
             QList<QByteArray>{QByteArray("/Auto%20Motor/Caf%C3%A9%201.gif")});
}

void TestNetworkFetcher::storesUnderUnicodeFileName()
{
    server->setFile(QStringLiteral("/x"), "data");
    const QString unicodeTarget = dir->filePath(QStringLiteral("\u20AC Caf\u00E9.tmp"));
    NetworkFetcher fetcher(5000);
    QVERIFY(fetcher.fetch(server->baseUrl() + QStringLiteral("x"), unicodeTarget));
    // Stored as a UTF-8 file name.
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files),
             QStringList{QStringLiteral("\u20AC Caf\u00E9.tmp")});
    QCOMPARE(QFile::encodeName(unicodeTarget).right(13),
             QByteArray("\xE2\x82\xAC Caf\xC3\xA9.tmp"));
}

void TestNetworkFetcher::unreachableServer()
{
    const QString url = server->baseUrl() + QStringLiteral("voruzide.txt");
    server->stop();
    NetworkFetcher fetcher(5000);
    QVERIFY(!fetcher.fetch(url, target));
    QVERIFY(!QFile::exists(target));
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
        QCOMPARE(readAll(target), body);
    }
    QCOMPARE(server->requestCount(), 30);
}

QTEST_GUILESS_MAIN(TestNetworkFetcher)
#include "tst_network_fetcher.moc"
