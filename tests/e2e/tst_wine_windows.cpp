// Real Wine in one temporary 64-bit prefix: the window service and its helper against a stand-in
// Messenger of our own, an install through the real program, and the Windows build of the
// program installed by its own installer. Skipped, with the reason, where Wine or the
// cross-compiled programs are missing.
#include "e2e/program_run.h"
#include "platform/linux/wine_server.h"
#include "platform/linux/wine_window_service.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTest>

class TestWineWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
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
        if (!run(wine_, {helper, "nosuchclass"}, &output) ||
            !output.contains("not-found nosuchclass"))
            QSKIP(("Wine cannot run the 64-bit helper here: " + output.right(400)).constData());
    }
    void cleanupTestCase()
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
    // prefix, and the helper asks one window of each of Messenger's classes to close, in this
    // order: hidden ones too, the class matched whole and regardless of case, each call returning
    // once the window has handled the message.
    void installsAndClosesMessenger()
    {
        const QString folder = installMessenger();
        const QString lvback = folder + "/lvback.gif";
        QProcess standin;
        startStandin(standin, {"MSBLClass:1:visible", "MSNMSBLClass:2:hidden",
                               "MSBLWindowClass:1:visible", "msblclasses:1:visible"});

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
            QVERIFY2(
                closeRequests()[i + 1].startsWith(QString("WM_CLOSE %1 window").arg(classes[i])),
                qPrintable(closeRequests().join(u'|')));
        QCOMPARE(app->state(), QProcess::Running);

        // Left: the second hidden window, then nothing of Messenger's.
        WineWindowService windows([prefix = prefix_] { return prefix; }, helpers_);
        QObject receiver;
        QList<QStringList> answers;
        const auto answer = [&answers](const QStringList& found) { answers << found; };
        windows.closeWindows({"msnmsblclass"}, &receiver, answer);
        windows.closeWindows({"msblwindowclass", "msnmsblclass", "msblclass"}, &receiver, answer);
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 60000);
        QCOMPARE(answers, (QList<QStringList>{{"msnmsblclass"}, {}}));
        QCOMPARE(closeRequests().size(), 5);
        standin.kill();
        standin.waitForFinished(10000);
    }
    // The Windows build as a Windows user gets it: installed silently by its installer, started
    // from Program Files with the settings an earlier version left in the registry, a skin of the
    // catalogue previewed with the keyboard and installed with Ctrl+I, closed with Ctrl+S, and
    // uninstalled, which leaves the user's settings.
    void windowsProgramInstalledAndUsed()
    {
        const QString setup = QStringLiteral(DRAPELLO_WINDOWS_DIST) + "/Drapello-1.2-setup.exe";
        if (!QFileInfo::exists(setup))
            QSKIP("the Windows installer is not built here (scripts/windows builds it)");
        QByteArray output;
        QVERIFY2(run(wine_, {setup, "/S"}, &output), output.constData());
        const QString installed = prefix_ + "/drive_c/Program Files/Drapello";
        QVERIFY(QFileInfo::exists(installed + "/Drapello.exe"));
        QVERIFY(QFileInfo::exists(installed + "/uninstall.exe"));

        HttpTestServer server;
        server.setFile("/voruzide.txt", "Mooie Kleuren");
        server.setFile("/Mooie Kleuren.txt", "Blauw*Groen*Rood");
        const QByteArray green = makeGif(2);
        server.setFile("/MooieKleuren/Blauw.gif", makeGif(1));
        server.setFile("/MooieKleuren/Groen.gif", green);
        server.setFile("/MooieKleuren/Rood.gif", makeGif(3));
        const QString settings =
            "HKCU\\Software\\VB and VBA Program Settings\\KorvaneSoftware\\Drapello";
        for (const auto& [key, value] : {std::pair{"base", server.baseUrl()}, {"algedaan", "1"}})
            QVERIFY(run(wine_, {"reg", "add", settings, "/v", key, "/d", value, "/f"}));
        const QString lvback = installMessenger() + "/lvback.gif";
        QProcess standin;
        startStandin(standin, {"MSBLWindowClass:1:visible"});

        QProcess app;
        app.setProcessEnvironment(environment());
        app.start(wine_, {"C:\\Program Files\\Drapello\\Drapello.exe"});
        const QString window = ProgramRun::windowMatching(&app, "^Drapello v", 60000);
        QVERIFY(!window.isEmpty());
        // The cache of an installed copy is the user's.
        const QString cache = prefix_ + "/drive_c/users/" + qEnvironmentVariable("USER", "root") +
                              "/AppData/Local/Drapello/Cache";
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(cache + "/Mooie Kleuren.tmp"),
                                  QByteArray("Blauw*Groen*Rood"), 30000);
        QVERIFY(!QFileInfo::exists(installed + "/Cache"));
        // Wine's windows take the keyboard when clicked (there is no window manager): the tree's
        // root, then keys to the focused window.
        ProgramRun::clickAt(window, QPoint(60, 59));
        ProgramRun::typeKeys("KP_Multiply");
        QTest::qWait(500); // a key typed next starts a search of its own, without the "*"
        ProgramRun::typeKeys("Down Down Down");
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(cache + "/temp.dat"), green, 30000);
        ProgramRun::typeKeys("ctrl+i");
        QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), green, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(closeRequests().filter("WM_CLOSE MSBLWindowClass").size() == 1,
                                 30000);

        // What a first start stores, in the old program's registry key.
        QVERIFY(run(wine_, {"reg", "query", settings}, &output));
        QVERIFY2(output.contains("path") && output.contains("C:\\Program Files\\Drapello"),
                 output.constData());
        ProgramRun::typeKeys("ctrl+s");
        QVERIFY2(app.waitForFinished(20000), "still running after Ctrl+S");

        QVERIFY(run(wine_, {"C:\\Program Files\\Drapello\\uninstall.exe", "/S"}));
        // The uninstaller runs on from a copy of itself and returns at once.
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(installed), 60000);
        QVERIFY(run(wine_, {"reg", "query", settings, "/v", "base"}, &output));
        QVERIFY2(output.contains(server.baseUrl().toLatin1()), output.constData());
        standin.kill();
        standin.waitForFinished(10000);
    }

private:
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
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
    // 32-bit Messenger's folder, named in the 32-bit view of the registry, holding lvback.gif.
    QString installMessenger()
    {
        const QString folder = prefix_ + "/drive_c/Program Files (x86)/MSN Messenger";
        writeFileBytes(folder + "/lvback.gif",
                       "an older and longer background, cut off if not truncated");
        if (!run(wine_, {"reg", "add", "HKLM\\Software\\Microsoft\\MSNMessenger", "/v",
                         "InstallationDirectory", "/d", "C:\\Program Files (x86)\\MSN Messenger\\",
                         "/reg:32", "/f"}))
            return QString();
        // The Linux program reads system.reg itself, which the server writes out when it ends.
        run(wineserver_, {"-k"});
        run(wineserver_, {"-w"});
        startServer();
        return folder;
    }
    // The stand-in Messenger with the windows given as "<class>:<count>:<visible|hidden>".
    void startStandin(QProcess& standin, const QStringList& windows)
    {
        // The stand-in's log: "ready", then "WM_CLOSE <class> <title>" per close request.
        QFile::remove(log_);
        standin.setProcessEnvironment(environment());
        standin.setStandardOutputFile(QProcess::nullDevice());
        standin.start(wine_, QStringList{QStringLiteral(DRAPELLO_STANDIN),
                                         "Z:" + QString(log_).replace(u'/', u'\\')} + // Z: is /
                                 windows);
        QTRY_VERIFY2_WITH_TIMEOUT(closeRequests().contains("ready"), "the stand-in did not start",
                                  60000);
    }

    QTemporaryDir dir_;
    QString prefix_ = dir_.path() + "/prefix";
    QString log_ = dir_.path() + "/standin.log";
    QString wine_ = QStandardPaths::findExecutable("wine");
    QString wineserver_ = QStandardPaths::findExecutable("wineserver");
    QString helpers_ = QStringLiteral(DRAPELLO_HELPER_DIR);
    bool booted_ = false;
};

QTEST_GUILESS_MAIN(TestWineWindows)
#include "tst_wine_windows.moc"
