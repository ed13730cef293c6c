// The built program itself, with its real platform services, against a server on 127.0.0.1:
// byte-exact list copies, names outside ASCII, and a start from the cache with the server gone.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QFile>
#include <QtTest>

class TestProgramCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadsCatalogueThenStartsFromCache();
};

void TestProgramCatalogue::downloadsCatalogueThenStartsFromCache()
{
    ProgramRun run;
    HttpTestServer server;
    const QByteArray categories("Auto Motor*Caf\xE9");
    server.setFile(QStringLiteral("/voruzide.txt"), categories);
    server.setFile(QStringLiteral("/Auto Motor.txt"), "Rode Ferrari*Vespa");
    server.setFile(QStringLiteral("/Caf\u00E9.txt"), "Espresso");
    run.setSetting(QStringLiteral("base"), server.baseUrl());

    QProcess* program = run.start();
    const QString cache = run.cacheFolder();
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() == 3 &&
                                 QFile::exists(cache + QStringLiteral("/Caf\u00E9.tmp")),
                             20000);
    QCOMPARE(readFileBytes(cache + QStringLiteral("/voruzide.tmp")), categories);
    QCOMPARE(readFileBytes(cache + QStringLiteral("/Auto Motor.tmp")),
             QByteArray("Rode Ferrari*Vespa"));
    QCOMPARE(readFileBytes(cache + QStringLiteral("/Caf\u00E9.tmp")), QByteArray("Espresso"));
    program->kill();
    program->waitForFinished(5000);

    // "loadcache" with the server gone: no request, and the copies stay as they were.
    server.resetCounts();
    server.stop();
    QProcess* again = run.start({QStringLiteral("LoadCache")});
    QTest::qWait(1500);
    QCOMPARE(again->state(), QProcess::Running);
    QCOMPARE(server.requestCount(), 0);
    QCOMPARE(readFileBytes(cache + QStringLiteral("/voruzide.tmp")), categories);
}

QTEST_GUILESS_MAIN(TestProgramCatalogue)
#include "tst_program_catalogue.moc"
