// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <algorithm>

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    // ---- closing and starting again

    // ---- downloads and the skin server
    void deadServerCostsOneWait();

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

// ---------------------------------------------------------------- downloads and the skin server

// The first start against a server that takes connections and never answers: the lists from the
// last run fill the tree after one wait, not one per list, and a click on a skin previews it.
void TestUserScenarios::deadServerCostsOneWait()
{
    ProgramRun run;
    HttpTestServer server;
    const QMap<QString, QByteArray> lists{{QStringLiteral("voruzide"), "Natuur*Sport"},
                                          {QStringLiteral("Natuur"), "Bos*Zee"},
                                          {QStringLiteral("Sport"), "Bal"}};
    for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
        writeFileBytes(run.cacheFolder() + QLatin1Char('/') + it.key() + QStringLiteral(".tmp"),
                       it.value());
        server.stall(QLatin1Char('/') + it.key() + QStringLiteral(".txt"));
    }
    const QByteArray picture = makeGif();
    for (const char* skin : {"/Natuur/Bos.gif", "/Natuur/Zee.gif", "/Sport/Bal.gif"})
        server.setFile(QString::fromLatin1(skin), picture);
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    run.onX11();
    const QString window = run.windowOf(run.start());
    QVERIFY(!window.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() > 0, 20000);

    // Click into the tree as an impatient user does, until a skin's picture is asked for. Clicks
    // made while the program waits for the server take effect once it has given up.
    auto pictureAsked = [&server] {
        const QStringList paths = server.requestedPaths();
        return std::any_of(paths.cbegin(), paths.cend(), [](const QString& path) {
            return path.endsWith(QStringLiteral(".gif"));
        });
    };
    const int menuBar = ProgramRun::windowSize(window).height() - 353;
    QVERIFY(menuBar > 0);
    QElapsedTimer clock;
    clock.start();
    // One connect time-out is 10 s; one idle time-out per list would be 90 s.
    while (!pictureAsked() && clock.elapsed() < 45000) {
        ProgramRun::clickAt(window, QPoint(8 + 40, 32 + menuBar + 4));
        ProgramRun::pressKeys(window, QStringLiteral("KP_Multiply"));
        for (int y = 14; y < 120 && !pictureAsked(); y += 6) {
            ProgramRun::clickAt(window, QPoint(8 + 60, 32 + menuBar + y));
            QTest::qWait(100);
        }
    }
    QVERIFY2(pictureAsked(), "the window took no click, or the tree stayed empty");
    QStringList listsAsked = server.requestedPaths();
    listsAsked.removeIf([](const QString& path) { return !path.endsWith(QStringLiteral(".txt")); });
    QCOMPARE(listsAsked, QStringList{QStringLiteral("/voruzide.txt")});
    for (auto it = lists.cbegin(); it != lists.cend(); ++it)
        QCOMPARE(
            readFileBytes(run.cacheFolder() + QLatin1Char('/') + it.key() + QStringLiteral(".tmp")),
            it.value());
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(run.cacheFolder() + QStringLiteral("/temp.dat")),
                              picture, 20000);
}

// ---------------------------------------------------------------- previewing and installing

// ---------------------------------------------------------------- what the windows show

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
