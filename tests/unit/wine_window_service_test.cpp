// The Linux window service's own decisions, without Wine: reading the helper's answer, finding a
// prefix's server folder and telling a live server from a dead one, choosing the helper, and
// what it does when a part is missing. A stand-in "wine" script records how it was called; the
// real Wine runs in the e2e test.
#include "platform/linux/wine_server.h"
#include "platform/linux/wine_window_service.h"
#include "support/test_profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString serverName(const QString& prefix)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(prefix).constData(), &info) != 0)
        return {};
    return QStringLiteral("server-%1-%2")
        .arg(QString::number(static_cast<qulonglong>(info.st_dev), 16),
             QString::number(static_cast<qulonglong>(info.st_ino), 16));
}

// Another process holding a POSIX record lock on a file, as a live wineserver holds its lock.
class LockHolder {
public:
    explicit LockHolder(const QString& lockPath)
    {
        process_.start(QStringLiteral("python3"), {QStringLiteral("-c"),
                                                   QStringLiteral("import fcntl, sys\n"
                                                                  "f = open(sys.argv[1], 'a')\n"
                                                                  "fcntl.lockf(f, fcntl.LOCK_EX)\n"
                                                                  "print('locked', flush=True)\n"
                                                                  "sys.stdin.read()\n"),
                                                   lockPath});
        process_.waitForReadyRead(10000);
        locked_ = process_.readAllStandardOutput().startsWith("locked");
    }
    ~LockHolder()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    bool locked() const { return locked_; }

private:
    QProcess process_;
    bool locked_ = false;
};

// Wine's own modes: a server folder and its parent are closed to other users.
void makePrivate(const QString& serverFolder)
{
    ::chmod(QFile::encodeName(serverFolder).constData(), 0700);
    ::chmod(QFile::encodeName(QFileInfo(serverFolder).path()).constData(), 0700);
}

} // namespace

class WineWindowServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsHelperAnswer_data();
    void readsHelperAnswer();
    void serverFoldersOfPrefix();
    void liveServerOnlyWhileLockIsHeld_data();
    void liveServerOnlyWhileLockIsHeld();
    void runsHelperThatFitsPrefix_data();
    void runsHelperThatFitsPrefix();

private:
    QTemporaryDir dir_;
    QString tmp_;
};

void WineWindowServiceTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    // Server folders are looked for under $TMPDIR (and /tmp); give this test a $TMPDIR of its own.
    tmp_ = dir_.path() + QStringLiteral("/tmp");
    QVERIFY(QDir().mkpath(tmp_));
    qputenv("TMPDIR", QFile::encodeName(tmp_));
    QCOMPARE(QDir::tempPath(), tmp_);
}

void WineWindowServiceTest::readsHelperAnswer_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("found");
    QTest::newRow("closed") << QByteArray("closed msblwindowclass\n") << true;
    QTest::newRow("closed, Windows line end") << QByteArray("closed msblwindowclass\r\n") << true;
    QTest::newRow("hung window was still sent")
        << QByteArray("no-answer msblwindowclass\n") << true;
    QTest::newRow("not found") << QByteArray("not-found msblwindowclass\n") << false;
    QTest::newRow("nothing printed") << QByteArray() << false;
    QTest::newRow("other class only") << QByteArray("closed msblclass\n") << false;
    QTest::newRow("longer class name") << QByteArray("closed msblwindowclass2\n") << false;
    QTest::newRow("class case differs") << QByteArray("closed MSBLWindowClass\n") << true;
    QTest::newRow("noise before the answer")
        << QByteArray("some wine message\r\nclosed msblwindowclass\r\n") << true;
    QTest::newRow("unknown outcome") << QByteArray("maybe msblwindowclass\n") << false;
}

void WineWindowServiceTest::readsHelperAnswer()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, found);
    QCOMPARE(WineWindowService::foundInOutput(output, QStringLiteral("msblwindowclass")), found);
}

void WineWindowServiceTest::serverFoldersOfPrefix()
{
    QCOMPARE(wineServerFolders(dir_.path() + QStringLiteral("/no-such-prefix")), QStringList());

    const QString prefix = dir_.path() + QStringLiteral("/folders");
    QVERIFY(QDir().mkpath(prefix));
    const QString name = serverName(prefix);
    const QString uid = QString::number(::getuid());
    QStringList folders = wineServerFolders(prefix);
    QVERIFY(folders.contains(tmp_ + QStringLiteral("/.wine-") + uid + QLatin1Char('/') + name));
    QVERIFY(folders.contains(QStringLiteral("/tmp/.wine-") + uid + QLatin1Char('/') + name));

    // Debian's Wine keeps the folder's name in the prefix; a name that climbs out is ignored.
    writeFileBytes(prefix + QStringLiteral("/wineserver"), "wine-Ab12Cd");
    folders = wineServerFolders(prefix);
    QVERIFY(folders.contains(tmp_ + QStringLiteral("/wine-Ab12Cd/") + name));
    writeFileBytes(prefix + QStringLiteral("/wineserver"), "../../etc");
    folders = wineServerFolders(prefix);
    for (const QString& folder : folders)
        QVERIFY2(!folder.contains(QStringLiteral("etc")), qPrintable(folder));
}

void WineWindowServiceTest::liveServerOnlyWhileLockIsHeld_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("folders of the user's own") << QString() << true;
    QTest::newRow("parent open to others") << QStringLiteral("parent 0777") << false;
    QTest::newRow("server folder readable by others") << QStringLiteral("server 0755") << false;
    QTest::newRow("parent of another user") << QStringLiteral("parent foreign") << false;
    QTest::newRow("parent is a link") << QStringLiteral("parent link") << false;
}

// A lock counts only while a live process holds it, and only in folders that Wine itself would
// accept: the user's own, closed to others. Anything else another user could have made.
void WineWindowServiceTest::liveServerOnlyWhileLockIsHeld()
{
    QFETCH(QString, setup);
    QFETCH(bool, trusted);
    QTemporaryDir row(dir_.path() + QStringLiteral("/live-XXXXXX"));
    const QString prefix = row.path() + QStringLiteral("/prefix");
    QVERIFY(QDir().mkpath(prefix));
    const QString parentName = QFileInfo(row.path()).fileName() + QStringLiteral("-wine");
    writeFileBytes(prefix + QStringLiteral("/wineserver"), parentName.toUtf8());
    const QString parent = tmp_ + QLatin1Char('/') + parentName;
    const QString folder = parent + QLatin1Char('/') + serverName(prefix);
    QVERIFY(!wineServerRunning(prefix));

    // What a killed server leaves behind: the lock file and a socket file, nobody holding them.
    writeFileBytes(folder + QStringLiteral("/lock"), QByteArray());
    writeFileBytes(folder + QStringLiteral("/socket"), QByteArray());
    makePrivate(folder);
    if (setup == QLatin1String("parent 0777"))
        QCOMPARE(::chmod(QFile::encodeName(parent).constData(), 0777), 0);
    else if (setup == QLatin1String("server 0755"))
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    else if (setup == QLatin1String("parent foreign") &&
             ::chown(QFile::encodeName(parent).constData(), 65534, 65534) != 0)
        QSKIP("giving a folder to another user needs root");
    if (setup == QLatin1String("parent link")) {
        QVERIFY(QFile::rename(parent, parent + QStringLiteral("-real")));
        QVERIFY(QFile::link(parent + QStringLiteral("-real"), parent));
    }
    QVERIFY(!wineServerRunning(prefix));
    {
        LockHolder holder(folder + QStringLiteral("/lock"));
        if (!holder.locked())
            QSKIP("python3 could not hold a lock");
        QCOMPARE(wineServerRunning(prefix), trusted);
    }
    QVERIFY(!wineServerRunning(prefix));
}

void WineWindowServiceTest::runsHelperThatFitsPrefix_data()
{
    QTest::addColumn<QByteArray>("systemReg");
    QTest::addColumn<bool>("serverRunning");
    QTest::addColumn<bool>("wineInstalled");
    QTest::addColumn<QStringList>("helpers");
    QTest::addColumn<QString>("expectedHelper"); // empty: wine must not be run
    QTest::addColumn<QStringList>("warnings");   // expected log lines, as patterns
    QTest::addColumn<QByteArray>("answer");      // what "wine" does after recording its call
    QTest::addColumn<bool>("found");

    const QByteArray win64("WINE REGISTRY Version 2\n;; All keys relative to "
                           "REGISTRY\\\\Machine\n\n#arch=win64\n\n[Software]\n");
    const QByteArray win32("WINE REGISTRY Version 2\n\n#arch=win32\n");
    const QString helper64 = QStringLiteral("drapello-closewin64.exe");
    const QString helper32 = QStringLiteral("drapello-closewin32.exe");
    const QStringList both{helper64, helper32};
    const QByteArray answers("echo \"closed $2\"\n");
    const QStringList none;

    QTest::newRow("64-bit prefix")
        << win64 << true << true << both << helper64 << none << answers << true;
    QTest::newRow("32-bit prefix")
        << win32 << true << true << both << helper32 << none << answers << true;
    QTest::newRow("no server: nothing run, nothing said")
        << win64 << false << true << both << QString() << none << answers << false;
    QTest::newRow("no server and no wine: nothing said")
        << win64 << false << false << both << QString() << none << answers << false;
    QTest::newRow("32-bit helper missing")
        << win32 << true << true << QStringList{helper64} << QString()
        << QStringList{QStringLiteral("drapello-closewin32\\.exe is missing")} << answers << false;
    QTest::newRow("wine missing") << win64 << true << false << both << QString()
                                  << QStringList{QStringLiteral("not installed")} << answers
                                  << false;
    QTest::newRow("prefix of unknown kind")
        << QByteArray("WINE REGISTRY Version 2\n\n[Software]\n#arch=win64\n") << true << true
        << both << QString() << QStringList{QStringLiteral("no readable #arch")} << answers
        << false;
    // Whatever wine does, the round of three classes ends within its one time limit, and only
    // a small answer is read.
    QTest::newRow("wine prints without end")
        << win64 << true << true << both << helper64
        << QStringList{QStringLiteral("printed more than 4096 bytes"),
                       QStringLiteral("printed more than 4096 bytes"),
                       QStringLiteral("printed more than 4096 bytes")}
        << QByteArray("exec yes \"closed $2\"\n") << false;
    QTest::newRow("wine hangs: one wait for the round")
        << win64 << true << true << both << helper64
        << QStringList{QStringLiteral("did not finish in time"),
                       QStringLiteral("No time left to close Messenger's msblwindowclass"),
                       QStringLiteral("No time left to close Messenger's msblclass")}
        << QByteArray("exec sleep 60\n") << false;
}

void WineWindowServiceTest::runsHelperThatFitsPrefix()
{
    QFETCH(QByteArray, systemReg);
    QFETCH(bool, serverRunning);
    QFETCH(bool, wineInstalled);
    QFETCH(QStringList, helpers);
    QFETCH(QString, expectedHelper);
    QFETCH(QStringList, warnings);
    QFETCH(QByteArray, answer);
    QFETCH(bool, found);

    QTemporaryDir row(dir_.path() + QStringLiteral("/row-XXXXXX"));
    const QString prefix = row.path() + QStringLiteral("/prefix with space");
    writeFileBytes(prefix + QStringLiteral("/system.reg"), systemReg);
    writeFileBytes(prefix + QStringLiteral("/wineserver"), "wine-row");
    const QString lock =
        tmp_ + QStringLiteral("/wine-row/") + serverName(prefix) + QStringLiteral("/lock");
    writeFileBytes(lock, QByteArray());
    makePrivate(QFileInfo(lock).path());

    const QString helperFolder = row.path() + QStringLiteral("/bin");
    for (const QString& helper : helpers)
        writeFileBytes(helperFolder + QLatin1Char('/') + helper, "MZ");

    // Records its prefix and arguments, and answers as the helper would.
    const QString calls = row.path() + QStringLiteral("/calls.txt");
    const QString wine = row.path() + QStringLiteral("/wine");
    if (wineInstalled) {
        writeFileBytes(wine, "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$WINEPREFIX\" \"$1\" \"$2\" >> '" +
                                 QFile::encodeName(calls) + "'\n" + answer);
        QFile(wine).setPermissions(QFile(wine).permissions() | QFileDevice::ExeOwner);
    }

    std::unique_ptr<LockHolder> holder;
    if (serverRunning) {
        holder = std::make_unique<LockHolder>(lock);
        if (!holder->locked())
            QSKIP("python3 could not hold a lock");
    }
    for (const QString& warning : warnings)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

    // A short round for the hung wine; the others end on their own.
    const int limit = answer.contains("sleep") ? 2000 : WineWindowService::helperTimeoutMs;
    WineWindowService service([prefix] { return prefix; }, helperFolder, wine, limit);
    const bool endless = answer.contains("yes");
    if (expectedHelper.isEmpty() || answer.contains("echo")) {
        QCOMPARE(service.closeWindowOfClass(QStringLiteral("msnmsblclass")), found);
    } else {
        const CloseRound round(service);
        for (const char* windowClass : {"msnmsblclass", "msblwindowclass", "msblclass"})
            QCOMPARE(service.closeWindowOfClass(QString::fromLatin1(windowClass)), found);
    }

    QFile recorded(calls);
    if (expectedHelper.isEmpty()) {
        QVERIFY(!recorded.exists());
    } else {
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        // A hung run uses up the round; runs stopped for talking too much leave time for more.
        QStringList classes{QStringLiteral("msnmsblclass")};
        if (endless)
            classes << QStringLiteral("msblwindowclass") << QStringLiteral("msblclass");
        QString expected;
        for (const QString& windowClass : classes)
            expected += prefix + QLatin1Char('|') + helperFolder + QLatin1Char('/') +
                        expectedHelper + QLatin1Char('|') + windowClass + QLatin1Char('\n');
        QCOMPARE(QString::fromUtf8(recorded.readAll()), expected);
    }
}

QTEST_GUILESS_MAIN(WineWindowServiceTest)
#include "wine_window_service_test.moc"
