#include "support/http_test_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

// The built program itself, with its real platform services, against a server on 127.0.0.1.
class TestProgramCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void downloadsCatalogueIntoCache();

private:
    bool run(const QStringList& arguments, const std::function<bool()>& done);

    QTemporaryDir dir;
    QString program;
};

void TestProgramCatalogue::initTestCase()
{
    // A program folder of its own: the Cache folder is made beside the program file.
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("program"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("config"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("runtime"))));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    program = dir.filePath(QStringLiteral("program/Drapello"));
    QVERIFY(QFile::copy(QStringLiteral(DRAPELLO_PROGRAM), program));
}

bool TestProgramCatalogue::run(const QStringList& arguments, const std::function<bool()>& done)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return false;
    const bool reached = QTest::qWaitFor(done, 20000);
    process.kill();
    process.waitForFinished(5000);
    return reached;
}

void TestProgramCatalogue::downloadsCatalogueIntoCache()
{
    HttpTestServer server;
    const QByteArray categories("Auto Motor*Caf\xE9");
    server.setFile(QStringLiteral("/voruzide.txt"), categories);
    server.setFile(QStringLiteral("/Auto Motor.txt"), "Rode Ferrari*Vespa");
    server.setFile(QStringLiteral("/Caf\u00E9.txt"), "Espresso");
    {
        QFile ini(dir.filePath(QStringLiteral("config/KorvaneSoftware.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Drapello]\nalgedaan=1\nupdatelist=1\nbase=" + server.baseUrl().toLatin1() + "\n");
    }
    const QString cache = dir.filePath(QStringLiteral("program/Cache"));
    QVERIFY(run({}, [&] {
        return server.requestCount() == 3 &&
               QFile::exists(cache + QStringLiteral("/Caf\u00E9.tmp"));
    }));
    QCOMPARE(fileBytes(cache + QStringLiteral("/voruzide.tmp")), categories);
    QCOMPARE(fileBytes(cache + QStringLiteral("/Auto Motor.tmp")),
             QByteArray("Rode Ferrari*Vespa"));
    QCOMPARE(fileBytes(cache + QStringLiteral("/Caf\u00E9.tmp")), QByteArray("Espresso"));
}

QTEST_GUILESS_MAIN(TestProgramCatalogue)
#include "tst_program_catalogue.moc"
