// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    // ---- closing and starting again
    void everyWayOfClosingEndsTheProgram_data();
    void everyWayOfClosingEndsTheProgram();
    void closeDuringDownloadEndsAtOnce();
    void secondStartBringsTheRunningCopyForward();

    // ---- downloads and the skin server

    // ---- previewing and installing

    // ---- what the windows show
};

void TestUserScenarios::initTestCase()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
}

// ---------------------------------------------------------------- closing and starting again

namespace {
// An exit "at once": far below the 30 s a silent server is waited for, far above what closing
// takes on a busy machine.
constexpr int ExitBoundMs = 5000;
} // namespace

void TestUserScenarios::everyWayOfClosingEndsTheProgram_data()
{
    QTest::addColumn<bool>("firstStart");  // the language chooser is the only window
    QTest::addColumn<QStringList>("keys"); // none: the window frame's close box
    QTest::newRow("Ctrl+S") << false << QStringList{QStringLiteral("ctrl+s")};
    QTest::newRow("Bestand, Sluiten")
        << false
        << QStringList{QStringLiteral("alt+b"), QStringLiteral("Down"), QStringLiteral("Return")};
    QTest::newRow("close box") << false << QStringList();
    QTest::newRow("chooser's close box") << true << QStringList();
    QTest::newRow("chooser, Escape") << true << QStringList{QStringLiteral("Escape")};
}

void TestUserScenarios::everyWayOfClosingEndsTheProgram()
{
    QFETCH(bool, firstStart);
    QFETCH(QStringList, keys);
    ProgramRun run;
    if (firstStart)
        run.setSetting(QStringLiteral("algedaan"), QStringLiteral("0"));
    const QString title = firstStart ? QStringLiteral("Kies je taal") : QStringLiteral("Drapello");
    run.onX11();
    QProcess* first = run.start();
    const QString window = run.windowTitled(first, title);
    QVERIFY(!window.isEmpty());

    if (keys.isEmpty()) {
        ProgramRun::closeBox(window);
    } else {
        ProgramRun::pressKeys(window, keys.first());
        if (keys.size() > 1) // into the menu that the first key opened
            ProgramRun::xdotool(QStringList{QStringLiteral("key")} + keys.mid(1));
    }
    QVERIFY2(first->waitForFinished(ExitBoundMs), "still running after it was closed");
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
    // Closing the chooser is no choice: nothing is stored, it asks again.
    QCOMPARE(run.setting(QStringLiteral("language")), QStringLiteral("<missing>"));
    QCOMPARE(run.setting(QStringLiteral("algedaan")),
             firstStart ? QStringLiteral("0") : QStringLiteral("1"));

    // The lock went with it: the next start opens its window.
    QProcess* next = run.start();
    QVERIFY(!run.windowTitled(next, title).isEmpty());
}

void TestUserScenarios::closeDuringDownloadEndsAtOnce()
{
    ProgramRun run;
    HttpTestServer server;
    // A server that never answers: the pass would wait on every list in turn.
    for (const char* list : {"/voruzide.txt", "/Abstract.txt", "/Natuur.txt"})
        server.stall(QString::fromLatin1(list));
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    const QString copy = run.cacheFolder() + QStringLiteral("/voruzide.tmp");
    const QByteArray previous = "Abstract*Natuur";
    QDir().mkpath(run.cacheFolder());
    writeFileBytes(copy, previous);
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    ProgramRun::closeBox(window);
    QVERIFY2(program->waitForFinished(ExitBoundMs), "the close waited for the download");
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(server.requestCount(), 1); // nothing more was asked once closing had begun
    // No partial file beside the copy, and the copy as it was.
    QCOMPARE(QDir(run.cacheFolder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("voruzide.tmp")});
    QCOMPARE(readFileBytes(copy), previous);
}

void TestUserScenarios::secondStartBringsTheRunningCopyForward()
{
    ProgramRun run;
    run.onX11();
    QProcess* first = run.start();
    const QString window = run.windowOf(first);
    QVERIFY(!window.isEmpty());
    const ProgramRun::Cover cover; // another program's window, over Drapello's
    QVERIFY(cover.covers(window));

    QProcess* second = run.start();
    QVERIFY2(second->waitForFinished(ExitBoundMs), "the second copy kept running");
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(second->readAllStandardError().contains("already running"));
    QTRY_VERIFY_WITH_TIMEOUT(!cover.covers(window), ExitBoundMs);
    QCOMPARE(first->state(), QProcess::Running);
}

// ---------------------------------------------------------------- downloads and the skin server

// ---------------------------------------------------------------- previewing and installing

// ---------------------------------------------------------------- what the windows show

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
