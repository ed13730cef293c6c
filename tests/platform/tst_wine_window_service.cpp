// The Linux window service without Wine: server folders, live or dead server, which helper, and
// what happens when a part is missing; a stand-in "wine" script records how it was called.
#include "platform/linux/wine_server.h"
#include "platform/linux/wine_window_service.h"
#include "support/test_profile.h"
#include "support/wine_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {
QString serverName(const QString& prefix)
{
    struct stat info = {};
    ::stat(QFile::encodeName(prefix).constData(), &info);
    return QString("server-%1-%2")
        .arg(QString::number(qulonglong(info.st_dev), 16),
             QString::number(qulonglong(info.st_ino), 16));
}
} // namespace

class TestWineWindowService : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // Server folders are looked for under $TMPDIR (and /tmp): a $TMPDIR of the test's own.
        QVERIFY(QDir().mkpath(tmp_));
        qputenv("TMPDIR", QFile::encodeName(tmp_));
    }
    void runsHelperThatFitsPrefix_data()
    {
        QTest::addColumn<QByteArray>("arch");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("expectedHelper"); // empty: wine must not be run
        QTest::addColumn<int>("runs");               // helper runs, first round's classes first
        QTest::addColumn<int>("found");              // classes of the first round found
        QTest::addColumn<QStringList>("warnings");   // expected log lines, as patterns
        const auto row = [](const char* name, const char* arch, const char* fault,
                            const char* helper, int runs, int found,
                            const QStringList& warnings = {}) {
            QTest::newRow(name) << QByteArray(arch) << QByteArray(fault) << QString(helper) << runs
                                << found << warnings;
        };
        row("32-bit prefix", "win32", "", "drapello-closewin32.exe", 3, 3);
        // Finished even when nothing was run, and never from inside the call that asked.
        row("no server: nothing run, nothing said", "win64", "no server", "", 0, 0);
        // A lock counts only in folders Wine itself would accept: the user's own, closed to others.
        row("server's parent folder open to others", "win64", "parent 0777", "", 0, 0);
        row("server's parent folder a link", "win64", "parent link", "", 0, 0);
        // Debian's Wine keeps the parent's name in the prefix; one that climbs out is ignored.
        row("server's parent named by a path", "win64", "climbs", "", 0, 0);
        row("32-bit helper missing", "win32", "drapello-closewin32.exe", "", 0, 0,
            {"drapello-closewin32\\.exe is missing"});
        row("wine missing", "win64", "wine", "", 0, 0, {"not installed"});
        // Whatever wine does, the round of three classes ends within its one time limit.
        row("wine hangs: one wait for the round", "win64", "hangs", "drapello-closewin64.exe", 1, 0,
            {"did not finish in time",
             "No time left to close Messenger's msblwindowclass, msblclass windows"});
        // An answer without end is no answer: each run is stopped once past the cap.
        row("wine prints without end", "win64", "floods", "drapello-closewin64.exe", 3, 0,
            QStringList(3, "printed more than 4096 bytes; stopped"));
        // The program closes while the first run hangs: killed at once, the round over, no answer.
        row("cancelled while wine runs", "win64", "cancel", "drapello-closewin64.exe", 1, 0);
        // A round asked for while one runs waits its turn; each answers for itself.
        row("second round waits its turn", "win64", "two rounds", "drapello-closewin64.exe", 4, 3);
    }
    void runsHelperThatFitsPrefix()
    {
        QFETCH(QByteArray, arch);
        QFETCH(QByteArray, fault);
        QFETCH(QString, expectedHelper);
        QFETCH(int, runs);
        QFETCH(int, found);
        QFETCH(QStringList, warnings);
        QTemporaryDir row(dir_.path() + "/row-XXXXXX");
        const QString prefix = row.path() + "/prefix with space";
        writeFileBytes(prefix + "/system.reg", systemReg(arch, "[Software]\n"));
        const QString parentName = QFileInfo(row.path()).fileName() + "-wine";
        writeFileBytes(prefix + "/wineserver",
                       (fault == "climbs" ? "../tmp/" + parentName : parentName).toUtf8());
        const QString parent = tmp_ + u'/' + parentName;
        const QString lock = parent + u'/' + serverName(prefix) + "/lock";
        writeFileBytes(lock, QByteArray());
        // Wine's own modes: a server folder and its parent are closed to other users.
        for (const QString& folder : {QFileInfo(lock).path(), parent})
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
        if (fault == "parent 0777")
            QCOMPARE(::chmod(QFile::encodeName(parent).constData(), 0777), 0);
        if (fault == "parent link")
            QVERIFY(QFile::rename(parent, parent + u'2') && QFile::link(parent + u'2', parent));
        const QString helpers = row.path() + "/bin";
        for (const char* helper : {"drapello-closewin64.exe", "drapello-closewin32.exe"})
            if (fault != helper)
                writeFileBytes(helpers + u'/' + QString(helper), "MZ");
        // Records its prefix, arguments and process, and answers as the helper would.
        const QString calls = row.path() + "/calls.txt";
        const QString wine = row.path() + "/wine";
        const bool hangs = fault == "hangs", cancels = fault == "cancel";
        if (fault != "wine") {
            writeFileBytes(
                wine, "#!/bin/sh\nprintf '%s|%s|%s|%s\\n' \"$WINEPREFIX\" \"$1\" \"$2\" $$ >> '" +
                          QFile::encodeName(calls) + "'\n" +
                          (hangs               ? "exec sleep 60\n"
                           : cancels           ? "[ \"$2\" = msnmsblclass ] && exec sleep 60\n"
                                                 "echo \"closed $2\"\n"
                           : fault == "floods" ? "exec yes \"closed $2\"\n"
                                               : "echo \"closed $2\"\n"));
            QFile(wine).setPermissions(QFile(wine).permissions() | QFileDevice::ExeOwner);
        }
        // Another process holds the lock (a POSIX record lock), as a live wineserver does.
        QProcess holder;
        if (fault != "no server") {
            holder.start(
                "python3",
                {"-c",
                 QStringLiteral("import fcntl, sys\nf = open(sys.argv[1], 'a')\n"
                                "fcntl.lockf(f, fcntl.LOCK_EX)\nprint('locked', flush=True)\n"
                                "sys.stdin.read()\n"),
                 lock});
            if (!holder.waitForReadyRead(10000) ||
                !holder.readAllStandardOutput().startsWith("locked"))
                QSKIP("python3 could not hold a lock");
        }
        for (const QString& warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        QTest::failOnWarning(QRegularExpression(".*"));

        WineWindowService service([prefix] { return prefix; }, helpers, wine,
                                  hangs ? 2000 : WineWindowService::helperTimeoutMs);
        const QStringList classes{"msnmsblclass", "msblwindowclass", "msblclass"};
        const QStringList second{classes.last()};
        QObject receiver;
        QList<QStringList> answers; // one per finished round, in the order they came
        const auto answer = [&answers](const QStringList& found) { answers << found; };
        service.closeWindows(classes, &receiver, answer);
        if (fault == "two rounds")
            service.closeWindows(second, &receiver, answer);
        QVERIFY(answers.isEmpty());
        const auto lines = [&calls] { // none while the file is not there
            return QFile::exists(calls)
                       ? QString::fromUtf8(readFileBytes(calls)).split(u'\n', Qt::SkipEmptyParts)
                       : QStringList();
        };
        if (cancels) {
            QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 1, 20000);
            const pid_t pid = lines().first().section(u'|', 3).toInt();
            QVERIFY(pid > 0 && ::kill(pid, 0) == 0);
            service.cancel();
            QTRY_VERIFY_WITH_TIMEOUT(::kill(pid, 0) != 0, 3000); // reaped, not just signalled
            QTest::qWait(1000); // time enough for the quick later runs, were they run
            QCOMPARE(answers.size(), 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(answers.size(), fault == "two rounds" ? 2 : 1, 20000);
            QCOMPARE(answers.first(), classes.mid(0, found));
            if (fault == "two rounds")
                QCOMPARE(answers.last(), second);
        }
        QCOMPARE(lines().size(), runs);
        for (int i = 0; i < runs; ++i) // a hung run uses up the round
            QVERIFY(lines()[i].startsWith(prefix + u'|' + helpers + u'/' + expectedHelper + u'|' +
                                          (classes + second)[i] + u'|'));
        holder.kill();
        holder.waitForFinished();
    }

private:
    QTemporaryDir dir_;
    QString tmp_ = dir_.path() + "/tmp";
};

QTEST_GUILESS_MAIN(TestWineWindowService)
#include "tst_wine_window_service.moc"
