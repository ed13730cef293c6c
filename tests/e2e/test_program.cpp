// The built program as a user starts it: what it writes to a fresh profile, and the one-copy rule.
#include "e2e/program_run.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

class TestProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartWritesSettings();
    void lockLeftByDeadProcessIsTakenOver();
};

void TestProgram::firstStartWritesSettings()
{
    ProgramRun run;
    QProcess* program = run.start();
    QVERIFY(run.waitForSetting(QStringLiteral("path")));
    QCOMPARE(run.setting(QStringLiteral("path")), run.programFolder());
    QCOMPARE(run.setting(QStringLiteral("updatelist")), QStringLiteral("1"));
    QCOMPARE(program->state(), QProcess::Running);
}

void TestProgram::lockLeftByDeadProcessIsTakenOver()
{
    ProgramRun run;
    QFile lock(run.root() + QStringLiteral("/run/drapello.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("999999\n");
    lock.close();
    QProcess* program = run.start();
    QVERIFY(run.waitForSetting(QStringLiteral("path")));
    QCOMPARE(program->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
