// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QtTest>

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    // ---- closing and starting again

    // ---- downloads and the skin server

    // ---- previewing and installing

    // ---- what the windows show
    void qtDialogsSpeakTheProgramsLanguage_data();
    void qtDialogsSpeakTheProgramsLanguage();
    void serverTextStaysOneLineOfItsOwn();
    void unstorableSettingsAreReported();
};

void TestUserScenarios::initTestCase()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
}

// ---------------------------------------------------------------- closing and starting again

// ---------------------------------------------------------------- downloads and the skin server

// ---------------------------------------------------------------- previewing and installing

// ---------------------------------------------------------------- what the windows show

namespace {
// The status bar's text, up to where the progress bar lies over it.
QImage statusText(const QString& window)
{
    const int height = ProgramRun::windowSize(window).height();
    return ProgramRun::grab(window, QRect(0, height - 17, 311, 17));
}

// Waits (bounded, in wall-clock time) until the status bar shows what `expected` shows or,
// with nothing expected, holds still once `ready` holds; returns what it shows, or nothing.
QImage statusSettles(
    const QString& window, const QImage& expected,
    const std::function<bool()>& ready = [] { return true; })
{
    QElapsedTimer clock;
    clock.start();
    for (QImage last; clock.elapsed() < 20000; QTest::qWait(100)) {
        const QImage now = statusText(window);
        if (expected.isNull() ? ready() && !now.isNull() && now == last : now == expected)
            return now;
        last = now;
    }
    return {};
}

// The run's language becomes the shipped English with one line replaced.
void useEnglishWith(const ProgramRun& run, int line, const QByteArray& text)
{
    QList<QByteArray> lines =
        readFileBytes(run.programFolder() + QStringLiteral("/english.lng")).split('\n');
    lines[line - 1] = text + '\r';
    writeFileBytes(run.programFolder() + QStringLiteral("/changed.lng"), lines.join('\n'));
    run.setSetting(QStringLiteral("language"), QStringLiteral("changed.lng"));
}

// How the status bar shows `text`: the real program, with a language file whose list-missing
// message is that text, started on an empty cache. Empty when it did not settle.
QImage statusShowing(const QByteArray& text)
{
    ProgramRun run;
    useEnglishWith(run, 6, text);
    run.onX11();
    QProcess* program = run.start({QStringLiteral("loadcache")});
    const QString window = run.windowOf(program);
    // The pass has ended once the cache folder exists.
    return window.isEmpty()
               ? QImage()
               : statusSettles(window, {}, [&run] { return QFileInfo::exists(run.cacheFolder()); });
}
} // namespace

void TestUserScenarios::qtDialogsSpeakTheProgramsLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("dialogTitle");
    QTest::newRow("built-in Dutch") << QString() << QStringLiteral("Openen");
    QTest::newRow("english.lng") << QStringLiteral("english.lng") << QStringLiteral("Open");
}

void TestUserScenarios::qtDialogsSpeakTheProgramsLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, dialogTitle);
    ProgramRun run;
    run.setSetting(QStringLiteral("language"), language);
    run.setSetting(QStringLiteral("updatelist"), QStringLiteral("0"));
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());

    // Options, "Skin handmatig instellen": the second item, the first being disabled.
    ProgramRun::pressKeys(window, QStringLiteral("alt+o"));
    ProgramRun::pressKeys(window, QStringLiteral("Down"));
    ProgramRun::pressKeys(window, QStringLiteral("Return"));
    const QString dialog = ProgramRun::windowTitled(program, dialogTitle);
    QVERIFY2(!dialog.isEmpty(), "no file dialog with the title of the program's language");
    ProgramRun::pressKeys(dialog, QStringLiteral("Escape"));
}

void TestUserScenarios::serverTextStaysOneLineOfItsOwn()
{
    // A category list that ends in a line break gives a name with CR LF; it cannot become a
    // file name, and the error line shows it as it is, on one line.
    const QImage expected = statusShowing(
        "Oops:52 - Bad file name or number: \"<i>x</i>\\r\\n\" cannot be stored in the cache");
    QVERIFY(!expected.isNull());

    ProgramRun run;
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "<i>x</i>\r\n");
    run.setSetting(QStringLiteral("base"), server.baseUrl());
    // An error prefix used as written; short, so that the name comes before the progress bar.
    useEnglishWith(run, 4, "Oops:");
    run.onX11();
    QProcess* program = run.start();
    const QString window = run.windowOf(program);
    QVERIFY(!window.isEmpty());
    QCOMPARE(statusSettles(window, expected), expected);
}

void TestUserScenarios::unstorableSettingsAreReported()
{
    const QImage expected =
        statusShowing("Fout opgetreden: 75 - Path/File access error: settings cannot be stored");
    QVERIFY(!expected.isNull());

    // A settings file that is a folder: nothing can be read or stored. The built-in default
    // server must not be asked, whatever the program does.
    ProgramRun run;
    QVERIFY(QFile::remove(run.settingsFile()) && QDir().mkpath(run.settingsFile()));
    run.setEnv(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:9/"));
    run.onX11();
    QProcess* program = run.start();

    // Nothing says a language was chosen, so the chooser asks; OK with no file announces the
    // built-in language in a box.
    const QString chooser =
        ProgramRun::windowTitled(program, QStringLiteral("Choose your language / Kies je taal"));
    QVERIFY(!chooser.isEmpty());
    ProgramRun::pressKeys(chooser, QStringLiteral("Return"));
    const QString box = ProgramRun::windowTitled(program, QStringLiteral("Language"));
    QVERIFY(!box.isEmpty());
    ProgramRun::pressKeys(box, QStringLiteral("Return"));

    const QString window =
        ProgramRun::windowTitled(program, QStringLiteral("Drapello v1.2 - Korvane Software"));
    QVERIFY(!window.isEmpty());
    QCOMPARE(statusSettles(window, expected), expected);
}

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
