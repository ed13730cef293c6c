// Real Wine in one temporary 64-bit prefix: the window service and its helper against a stand-in
// Messenger of our own, and an install through the real program. Skipped, with the reason, where
// Wine or the cross-compiled programs are missing.
#include "e2e/program_run.h"
#include "platform/linux/wine_server.h"
#include "platform/linux/wine_window_service.h"
#include "support/test_profile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTest>

class TestWineWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void installsAndClosesMessenger();

private:
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
    // A server that stays without any Wine program running, as when Messenger has just closed.
    void startServer()
    {
        QVERIFY(run(wineserver_, {"-p"}));
        QTRY_VERIFY_WITH_TIMEOUT(wineServerRunning(prefix_), 30000);
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("WINEPREFIX", prefix_);
        environment.insert("WINEDEBUG", "-all");
        // No Mono or Gecko installer dialogs while the prefix is made.
        environment.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
        return environment;
    }
    QStringList closeRequests() const
    {
        return QString::fromLatin1(readFileBytes(log_)).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir_;
    QString prefix_ = dir_.path() + "/prefix";
    QString log_ = dir_.path() + "/standin.log";
    QString wine_ = QStandardPaths::findExecutable("wine");
    QString wineserver_ = QStandardPaths::findExecutable("wineserver");
    QString helpers_ = QStringLiteral(DRAPELLO_HELPER_DIR);
    bool booted_ = false;
};

bool TestWineWindows::run(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(180000))
        process.kill();
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TestWineWindows::initTestCase()
{
    QString why; // Wine's windows and the program's need an X server
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
    const QString wineboot = QStandardPaths::findExecutable("wineboot");
    if (wine_.isEmpty() || wineserver_.isEmpty() || wineboot.isEmpty())
        QSKIP("Wine is not installed (wine, wineserver, wineboot)");
    const QString helper = helpers_ + "/drapello-closewin64.exe";
    if (!QFileInfo::exists(helper) || !QFileInfo::exists(QStringLiteral(DRAPELLO_STANDIN)))
        QSKIP("the Windows programs were not built (x86_64-w64-mingw32-g++ missing)");
    QByteArray output;
    if (!run(wineboot, {"-i"}, &output))
        QSKIP(("Wine cannot make a prefix here: " + output.right(400)).constData());
    booted_ = true;
    run(wineserver_, {"-w"}); // writes system.reg
    startServer();
    if (!run(wine_, {helper, "nosuchclass"}, &output) || !output.contains("not-found nosuchclass"))
        QSKIP(("Wine cannot run the 64-bit helper here: " + output.right(400)).constData());
}

void TestWineWindows::cleanupTestCase()
{
    if (!booted_)
        return;
    run(wineserver_, {"-k"});
    run(wineserver_, {"-w"});
    // The ended server leaves its folder in the temporary folder.
    for (const QString& folder : wineServerFolders(prefix_)) {
        QDir(folder).removeRecursively();
        QDir().rmdir(QFileInfo(folder).path()); // only when nothing else is in it
    }
}

// A picture on the command line, Ctrl+I: it becomes 32-bit Messenger's background in the 64-bit
// prefix, and the helper asks one window of each of Messenger's classes to close, in this order:
// hidden ones too, the class matched whole and regardless of case, each call returning once the
// window has handled the message.
void TestWineWindows::installsAndClosesMessenger()
{
    const QString folder = prefix_ + "/drive_c/Program Files (x86)/MSN Messenger";
    const QString lvback = writeFileBytes(
        folder + "/lvback.gif", "an older and longer background, cut off if not truncated");
    QVERIFY(run(wine_, {"reg", "add", "HKLM\\Software\\Microsoft\\MSNMessenger", "/v",
                        "InstallationDirectory", "/d", "C:\\Program Files (x86)\\MSN Messenger\\",
                        "/reg:32", "/f"}));
    // The program reads system.reg itself, which the server writes out when it ends.
    run(wineserver_, {"-k"});
    run(wineserver_, {"-w"});
    startServer();
    // The stand-in's log: "ready", then "WM_CLOSE <class> <title>" per close request.
    QProcess standin;
    standin.setProcessEnvironment(environment());
    standin.setStandardOutputFile(QProcess::nullDevice());
    standin.start(wine_, {QStringLiteral(DRAPELLO_STANDIN),
                          "Z:" + QString(log_).replace(u'/', u'\\'), // Z: is /
                          "MSBLClass:1:visible", "MSNMSBLClass:2:hidden",
                          "MSBLWindowClass:1:visible", "msblclasses:1:visible"});
    QTRY_VERIFY2_WITH_TIMEOUT(closeRequests().contains("ready"), "the stand-in did not start",
                              60000);

    ProgramRun program;
    program.setEnv("WINEPREFIX", prefix_);
    const QByteArray picture = makeGif(3);
    QProcess* app = program.start({writeFileBytes(program.root() + "/my skin.gif", picture)});
    const QString window = program.windowOf(app, 30000);
    QVERIFY(!window.isEmpty());
    ProgramRun::pressKeys(window, "ctrl+i");
    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), picture, 30000);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"lvback.gif"});
    const QStringList classes{"MSBLWindowClass", "MSNMSBLClass", "MSBLClass"};
    QTRY_COMPARE_WITH_TIMEOUT(closeRequests().size(), 4, 30000);
    for (int i = 0; i < classes.size(); ++i)
        QVERIFY2(closeRequests()[i + 1].startsWith(QString("WM_CLOSE %1 window").arg(classes[i])),
                 qPrintable(closeRequests().join(u'|')));
    QCOMPARE(app->state(), QProcess::Running);

    // Left: the second hidden window, then nothing of Messenger's.
    WineWindowService windows([prefix = prefix_] { return prefix; }, helpers_);
    QVERIFY(windows.closeWindowOfClass("msnmsblclass"));
    QCOMPARE(closeRequests().size(), 5);
    for (const QString& windowClass : classes)
        QVERIFY(!windows.closeWindowOfClass(windowClass.toLower()));
    QCOMPARE(closeRequests().size(), 5);
    standin.kill();
    standin.waitForFinished(10000);
}

QTEST_GUILESS_MAIN(TestWineWindows)
#include "tst_wine_windows.moc"
