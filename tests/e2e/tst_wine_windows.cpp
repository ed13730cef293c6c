// Real Wine in a temporary 64-bit prefix: the window service and its helper against the stand-in
// Messenger (a Win32 program of our own with windows of Messenger's classes), the Windows
// registry reader, and a whole install through the real program. Skipped, with the reason,
// where Wine or the cross-compiled programs are missing. One prefix serves every test: making
// one takes seconds.
#include "e2e/program_run.h"
#include "platform/linux/wine_server.h"
#include "platform/linux/wine_window_service.h"
#include "support/test_platform.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <memory>

namespace {
const QStringList MessengerClasses{QStringLiteral("msblwindowclass"),
                                   QStringLiteral("msnmsblclass"), QStringLiteral("msblclass")};

// Ids of the live processes for which wanted(pid) holds.
QList<qint64> processes(const std::function<bool(qint64)>& wanted)
{
    QList<qint64> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && wanted(pid))
            found << pid;
    }
    return found;
}

// What runs for the prefix (a wineserver, wine, the helper) has WINEPREFIX=<prefix>.
QList<qint64> processesOfPrefix(const QString& prefix)
{
    const QByteArray wanted = "WINEPREFIX=" + QFile::encodeName(prefix);
    return processes([&wanted](qint64 pid) {
        return readFileBytes(QStringLiteral("/proc/%1/environ").arg(pid))
            .split('\0')
            .contains(wanted);
    });
}
} // namespace

class TestWineWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void closesOneWindowOfEachClass();
    void readsThirtyTwoBitRegistryView_data();
    void readsThirtyTwoBitRegistryView();
    void installsThroughUserInterface();

private:
    bool runQuietly(const QString& program, const QStringList& arguments, int timeoutMs,
                    QByteArray* output = nullptr);
    void startServer();
    void stopServer();
    // reg add HKLM\Software\<key> /v <name> (/ve when empty) /t <type> /d <data> /reg:<view>
    void regAdd(const char* key, const char* name, const char* type, const char* data,
                const char* view);
    void startStandin(const QString& windows);
    QStringList closeRequests() const
    {
        return QString::fromLatin1(readFileBytes(log_)).split(u'\n', Qt::SkipEmptyParts);
    }
    WineWindowService service() const
    {
        return WineWindowService([prefix = prefix_] { return prefix; }, helpers_);
    }

    QTemporaryDir dir_;
    QString prefix_ = dir_.path() + QStringLiteral("/prefix");
    QString log_ = dir_.path() + QStringLiteral("/standin.log");
    QString wine_;
    QString wineserver_;
    QString helpers_ = QStringLiteral(DRAPELLO_HELPER_DIR);
    std::unique_ptr<QProcess> standin_;
    bool booted_ = false;
    bool registryFilled_ = false;
};

bool TestWineWindows::runQuietly(const QString& program, const QStringList& arguments,
                                 int timeoutMs, QByteArray* output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix_);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No Mono or Gecko installer dialogs while the prefix is made.
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TestWineWindows::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("no X display: Wine's windows need one (run the tests under Xvfb)");
    wine_ = QStandardPaths::findExecutable(QStringLiteral("wine"));
    wineserver_ = QStandardPaths::findExecutable(QStringLiteral("wineserver"));
    const QString wineboot = QStandardPaths::findExecutable(QStringLiteral("wineboot"));
    if (wine_.isEmpty() || wineserver_.isEmpty() || wineboot.isEmpty())
        QSKIP("Wine is not installed (wine, wineserver, wineboot)");
    if (!QFileInfo::exists(helpers_ + QStringLiteral("/drapello-closewin64.exe")) ||
        !QFileInfo::exists(QStringLiteral(DRAPELLO_STANDIN)) ||
        !QFileInfo::exists(QStringLiteral(DRAPELLO_REGISTRY_PROBE)))
        QSKIP("the Windows programs were not built (x86_64-w64-mingw32-g++ missing)");
    QByteArray output;
    if (!runQuietly(wineboot, {QStringLiteral("-i")}, 180000, &output))
        QSKIP(("Wine cannot make a prefix here: " + output.right(400)).constData());
    booted_ = true;
    runQuietly(wineserver_, {QStringLiteral("-w")}, 60000); // writes system.reg
    startServer();
    if (!runQuietly(
            wine_,
            {helpers_ + QStringLiteral("/drapello-closewin64.exe"), QStringLiteral("nosuchclass")},
            60000, &output) ||
        !output.contains("not-found nosuchclass"))
        QSKIP(("Wine cannot run the 64-bit helper here: " + output.right(400)).constData());
}

void TestWineWindows::cleanupTestCase()
{
    if (!booted_)
        return;
    stopServer();
    // The ended server leaves its folder (holding only the lock) in the temporary folder.
    for (const QString& folder : wineServerFolders(prefix_)) {
        QFile::remove(folder + QStringLiteral("/lock"));
        QFile::remove(folder + QStringLiteral("/socket"));
        QDir().rmdir(folder);
        QDir().rmdir(QFileInfo(folder).path()); // only when nothing else is in it
    }
}

void TestWineWindows::init()
{
    startServer();
    QFile::remove(log_);
}

void TestWineWindows::cleanup()
{
    if (standin_) {
        standin_->kill();
        standin_->waitForFinished(10000);
        standin_.reset();
    }
}

// A server that stays without any Wine program running, as when Messenger has just been closed.
void TestWineWindows::startServer()
{
    if (wineServerRunning(prefix_))
        return;
    QVERIFY(runQuietly(wineserver_, {QStringLiteral("-p")}, 30000));
    const QDeadlineTimer deadline(30000);
    while (!wineServerRunning(prefix_) && !deadline.hasExpired())
        QTest::qWait(50);
    QVERIFY(wineServerRunning(prefix_));
}

void TestWineWindows::stopServer()
{
    runQuietly(wineserver_, {QStringLiteral("-k")}, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(processesOfPrefix(prefix_).isEmpty(), 30000);
}

void TestWineWindows::regAdd(const char* key, const char* name, const char* type, const char* data,
                             const char* view)
{
    QStringList args{QStringLiteral("reg"), QStringLiteral("add"),
                     QStringLiteral("HKLM\\Software\\") + QString::fromUtf8(key)};
    args += *name ? QStringList{QStringLiteral("/v"), QString::fromUtf8(name)}
                  : QStringList{QStringLiteral("/ve")};
    args += {QStringLiteral("/t"),
             QString::fromUtf8(type),
             QStringLiteral("/d"),
             QString::fromUtf8(data),
             QStringLiteral("/reg:") + QString::fromUtf8(view),
             QStringLiteral("/f")};
    QByteArray output;
    QVERIFY2(runQuietly(wine_, args, 60000, &output), output.constData());
}

// windows: "Class:count:visible|hidden" for each class the stand-in registers. Its log: "ready",
// then one "WM_CLOSE <class> <title>" per close request.
void TestWineWindows::startStandin(const QString& windows)
{
    standin_ = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix_);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    standin_->setProcessEnvironment(environment);
    standin_->setStandardOutputFile(QProcess::nullDevice());
    standin_->setStandardErrorFile(QProcess::nullDevice());
    // Drive Z: is the Linux root in a new prefix.
    standin_->start(wine_, QStringList{QStringLiteral(DRAPELLO_STANDIN),
                                       QStringLiteral("Z:") + QString(log_).replace(u'/', u'\\')} +
                               windows.split(u' '));
    QTRY_VERIFY2_WITH_TIMEOUT(closeRequests().contains(QStringLiteral("ready")),
                              "the stand-in did not start", 60000);
}

// Each call closes exactly one window of its class, hidden ones too, and says whether there was
// one; the class is matched whole and without regard to case, as Windows does.
void TestWineWindows::closesOneWindowOfEachClass()
{
    startStandin(QStringLiteral("MSBLClass:1:visible MSNMSBLClass:2:hidden "
                                "MSBLWindowClass:1:visible msblclasses:1:visible"));
    WineWindowService windows = service();
    const QStringList registered{QStringLiteral("MSBLWindowClass"), QStringLiteral("MSNMSBLClass"),
                                 QStringLiteral("MSBLClass")};
    qsizetype sent = 1; // "ready"
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < MessengerClasses.size(); ++i) {
            const bool left = round == 0 || i == 1;
            QCOMPARE(windows.closeWindowOfClass(MessengerClasses[i]), left);
            // The call returns only after the window has handled the message.
            const QStringList requests = closeRequests();
            QCOMPARE(requests.size(), sent += left);
            QVERIFY(!left || requests.last().startsWith(
                                 QStringLiteral("WM_CLOSE %1 window").arg(registered[i])));
        }
    }
}

void TestWineWindows::readsThirtyTwoBitRegistryView_data()
{
    QTest::addColumn<QString>("valuePath");
    QTest::addColumn<QString>("value");
    QTest::newRow("32-bit view, not the 64-bit one")
        << "HKLM\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory"
        << "C:\\Program Files\\MSN Messenger\\";
    QTest::newRow("only in the 64-bit view")
        << "HKLM\\Software\\Microsoft\\MessengerService\\InstallationDirectory"
        << "";
    QTest::newRow("missing key") << "HKLM\\Software\\NoSuchVendor\\InstallationDirectory"
                                 << "";
    QTest::newRow("number") << "HKLM\\Software\\DrapelloTest\\Count"
                            << "42";
    QTest::newRow("key's default value") << "HKLM\\Software\\DrapelloTest\\"
                                         << "default text";
}

void TestWineWindows::readsThirtyTwoBitRegistryView()
{
    QFETCH(QString, valuePath);
    QFETCH(QString, value);
    if (!registryFilled_) {
        const char* msn = "Microsoft\\MSNMessenger";
        const char* dir = "InstallationDirectory";
        regAdd(msn, dir, "REG_SZ", "C:\\Program Files\\MSN Messenger\\", "32");
        regAdd(msn, dir, "REG_SZ", "C:\\wrong view", "64");
        regAdd("Microsoft\\MessengerService", dir, "REG_SZ", "C:\\wrong view", "64");
        regAdd("DrapelloTest", "Count", "REG_DWORD", "42", "32");
        regAdd("DrapelloTest", "", "REG_SZ", "default text", "32");
        registryFilled_ = true;
    }
    QByteArray output;
    QVERIFY(
        runQuietly(wine_, {QStringLiteral(DRAPELLO_REGISTRY_PROBE), valuePath}, 60000, &output));
    QCOMPARE(QString::fromUtf8(output.trimmed()), u'[' + value + u']');
}

// The real program, a picture on its command line, Ctrl+I: the picture becomes Messenger's
// background in the prefix and Messenger's contact list is asked to close.
void TestWineWindows::installsThroughUserInterface()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
    // Where 32-bit Messenger lives in a 64-bit prefix, named in the 32-bit registry view.
    const QString folder = prefix_ + QStringLiteral("/drive_c/Program Files (x86)/MSN Messenger");
    const QString lvback =
        writeFileBytes(folder + QStringLiteral("/lvback.gif"),
                       "an older and longer background than the new one, cut off if not truncated");
    regAdd("Microsoft\\MSNMessenger", "InstallationDirectory", "REG_SZ",
           "C:\\Program Files (x86)\\MSN Messenger\\", "32");
    // The program reads system.reg itself, which the server writes out when it ends.
    stopServer();
    startServer();
    startStandin(QStringLiteral("MSBLWindowClass:1:visible"));

    ProgramRun run;
    run.setEnv(QStringLiteral("WINEPREFIX"), prefix_);
    const QByteArray picture = makeGif(3);
    QProcess* app =
        run.start({writeFileBytes(run.root() + QStringLiteral("/my skin.gif"), picture)});
    const QString window = run.windowOf(app, 30000);
    QVERIFY(!window.isEmpty());
    ProgramRun::pressKeys(window, QStringLiteral("ctrl+i"));

    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), picture, 30000);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("lvback.gif")});
    // Closed after the copy, by the helper run inside the prefix.
    QTRY_COMPARE_WITH_TIMEOUT(
        closeRequests(),
        (QStringList{QStringLiteral("ready"), QStringLiteral("WM_CLOSE MSBLWindowClass window1")}),
        30000);
    // The helper runs for the other two classes end too; none is left behind.
    const qint64 pid = app->processId();
    QTRY_VERIFY_WITH_TIMEOUT(processes([pid](qint64 child) {
                                 // "pid (name) state ppid ...": the name may hold blanks.
                                 const QByteArray stat =
                                     readFileBytes(QStringLiteral("/proc/%1/stat").arg(child));
                                 return stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(1) ==
                                        QByteArray::number(pid);
                             }).isEmpty(),
                             120000);
    QCOMPARE(app->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestWineWindows)
#include "tst_wine_windows.moc"
