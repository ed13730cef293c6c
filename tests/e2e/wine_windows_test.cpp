// The Linux window service with real Wine: a temporary 64-bit prefix, the stand-in Messenger
// (a Win32 program of our own) with windows of Messenger's classes, and the real helper; then the
// whole install through the real program's window. Skipped, with the reason, where Wine or the
// cross-compiled programs are missing. One prefix serves every test: making one takes seconds.
#include "e2e/program_run.h"
#include "platform/linux/wine_server.h"
#include "platform/linux/wine_window_service.h"
#include "support/test_profile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <signal.h>

namespace {

const QStringList messengerClasses{QStringLiteral("msblwindowclass"),
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

// The processes started for the prefix (a wineserver, wine, the helper) carry
// WINEPREFIX=<prefix> in their environment.
QList<qint64> processesOfPrefix(const QString& prefix)
{
    const QByteArray wanted = "WINEPREFIX=" + QFile::encodeName(prefix);
    return processes([&wanted](qint64 pid) {
        return readFileBytes(QStringLiteral("/proc/%1/environ").arg(pid))
            .split('\0')
            .contains(wanted);
    });
}

QList<qint64> childrenOf(qint64 parent)
{
    return processes([parent](qint64 pid) {
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray line = readFileBytes(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        return fields.size() > 1 && fields[1].toLongLong() == parent;
    });
}

QString xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000))
        tool.kill();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

} // namespace

class WineWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void closesEachClassInOrder();
    void closesOneWindowOfClass_data();
    void closesOneWindowOfClass();
    void startsNothingWithoutServer_data();
    void startsNothingWithoutServer();
    void readsThirtyTwoBitRegistryView_data();
    void readsThirtyTwoBitRegistryView();
    void installsThroughUserInterface();

private:
    QProcessEnvironment wineEnvironment() const;
    bool runQuietly(const QString& program, const QStringList& arguments, int timeoutMs,
                    QByteArray* output = nullptr);
    void startServer();
    void stopServer();
    void waitForNoProcesses();
    // reg add HKLM\Software\<key> /v <name> (/ve when empty) /t <type> /d <data> /reg:<view>
    void regAdd(const char* key, const char* name, const char* type, const char* data,
                const char* view);
    void startStandin(const QStringList& windows);
    QStringList closeRequests() const;
    std::unique_ptr<WineWindowService> makeService() const;

    QTemporaryDir dir_;
    QString prefix_;
    QString wine_;
    QString wineserver_;
    QString helperFolder_ = QStringLiteral(DRAPELLO_HELPER_DIR);
    QString standin_ = QStringLiteral(DRAPELLO_STANDIN);
    QString log_;
    std::unique_ptr<QProcess> standinProcess_;
    bool booted_ = false;
    bool registryFilled_ = false;
};

QProcessEnvironment WineWindowsTest::wineEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix_);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No Mono or Gecko installer dialogs while the prefix is made.
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    return environment;
}

bool WineWindowsTest::runQuietly(const QString& program, const QStringList& arguments,
                                 int timeoutMs, QByteArray* output)
{
    QProcess process;
    process.setProcessEnvironment(wineEnvironment());
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

void WineWindowsTest::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("no X display: Wine's windows need one (run the tests under Xvfb)");
    wine_ = QStandardPaths::findExecutable(QStringLiteral("wine"));
    wineserver_ = QStandardPaths::findExecutable(QStringLiteral("wineserver"));
    const QString wineboot = QStandardPaths::findExecutable(QStringLiteral("wineboot"));
    if (wine_.isEmpty() || wineserver_.isEmpty() || wineboot.isEmpty())
        QSKIP("Wine is not installed (wine, wineserver, wineboot)");
    if (!QFileInfo::exists(helperFolder_ + QStringLiteral("/drapello-closewin64.exe")) ||
        !QFileInfo::exists(standin_) || !QFileInfo::exists(QStringLiteral(DRAPELLO_REGISTRY_PROBE)))
        QSKIP("the Windows programs were not built (x86_64-w64-mingw32-g++ missing)");
    QVERIFY(dir_.isValid());
    prefix_ = dir_.path() + QStringLiteral("/prefix");
    log_ = dir_.path() + QStringLiteral("/standin.log");

    QByteArray output;
    if (!runQuietly(wineboot, {QStringLiteral("-i")}, 180000, &output))
        QSKIP(qPrintable(QStringLiteral("Wine cannot make a prefix here: ") +
                         QString::fromLocal8Bit(output.right(400))));
    booted_ = true;
    // system.reg (with its #arch line) is written when the server ends.
    runQuietly(wineserver_, {QStringLiteral("-w")}, 60000);
    QVERIFY(QFileInfo::exists(prefix_ + QStringLiteral("/system.reg")));

    // Can Wine run our helper at all on this machine?
    startServer();
    if (!runQuietly(wine_,
                    {helperFolder_ + QStringLiteral("/drapello-closewin64.exe"),
                     QStringLiteral("nosuchclass")},
                    60000, &output) ||
        !output.contains("not-found nosuchclass"))
        QSKIP(qPrintable(QStringLiteral("Wine cannot run the 64-bit helper here: ") +
                         QString::fromLocal8Bit(output.right(400))));
}

void WineWindowsTest::cleanupTestCase()
{
    if (!booted_)
        return;
    stopServer();
    // The ended server leaves its folder (holding only the lock) in the temporary folder.
    for (const QString& folder : wineServerFolders(prefix_)) {
        if (!QFileInfo::exists(folder))
            continue;
        QFile::remove(folder + QStringLiteral("/lock"));
        QFile::remove(folder + QStringLiteral("/socket"));
        QDir().rmdir(folder);
        QDir().rmdir(QFileInfo(folder).path()); // only when nothing else is in it
    }
}

void WineWindowsTest::init()
{
    startServer();
    QFile::remove(log_);
}

void WineWindowsTest::cleanup()
{
    if (standinProcess_) {
        standinProcess_->kill();
        standinProcess_->waitForFinished(10000);
        standinProcess_.reset();
    }
}

// A server that stays without any Wine program running, as when Messenger has just been closed.
void WineWindowsTest::startServer()
{
    if (wineServerRunning(prefix_))
        return;
    QVERIFY(runQuietly(wineserver_, {QStringLiteral("-p")}, 30000));
    const QDeadlineTimer deadline(30000);
    while (!wineServerRunning(prefix_) && !deadline.hasExpired())
        QTest::qWait(50);
    QVERIFY(wineServerRunning(prefix_));
}

void WineWindowsTest::stopServer()
{
    runQuietly(wineserver_, {QStringLiteral("-k")}, 30000);
    waitForNoProcesses();
}

void WineWindowsTest::regAdd(const char* key, const char* name, const char* type, const char* data,
                             const char* view)
{
    QStringList args{QStringLiteral("reg"), QStringLiteral("add"),
                     QStringLiteral("HKLM\\Software\\") + QString::fromLatin1(key)};
    args += *name ? QStringList{QStringLiteral("/v"), QString::fromLatin1(name)}
                  : QStringList{QStringLiteral("/ve")};
    args += {QStringLiteral("/t"),
             QString::fromLatin1(type),
             QStringLiteral("/d"),
             QString::fromLatin1(data),
             QStringLiteral("/reg:") + QString::fromLatin1(view),
             QStringLiteral("/f")};
    QByteArray output;
    QVERIFY2(runQuietly(wine_, args, 60000, &output), output.constData());
}

void WineWindowsTest::waitForNoProcesses()
{
    const QDeadlineTimer deadline(30000);
    while (!processesOfPrefix(prefix_).isEmpty() && !deadline.hasExpired())
        QTest::qWait(50);
    QVERIFY(processesOfPrefix(prefix_).isEmpty());
}

// windows: "Class:count:visible|hidden" for each class the stand-in registers.
void WineWindowsTest::startStandin(const QStringList& windows)
{
    standinProcess_ = std::make_unique<QProcess>();
    standinProcess_->setProcessEnvironment(wineEnvironment());
    standinProcess_->setStandardOutputFile(QProcess::nullDevice());
    standinProcess_->setStandardErrorFile(QProcess::nullDevice());
    // Drive Z: is the Linux root in a new prefix.
    const QString windowsLog =
        QStringLiteral("Z:") + QString(log_).replace(QLatin1Char('/'), QLatin1Char('\\'));
    standinProcess_->start(wine_, QStringList{standin_, windowsLog} + windows);
    const QDeadlineTimer deadline(60000);
    while (!closeRequests().contains(QStringLiteral("ready")) && !deadline.hasExpired() &&
           standinProcess_->state() != QProcess::NotRunning)
        QTest::qWait(50);
    QVERIFY2(closeRequests().contains(QStringLiteral("ready")), "the stand-in did not start");
}

// The stand-in's log: "ready", then one "WM_CLOSE <class> <title>" per close request.
QStringList WineWindowsTest::closeRequests() const
{
    QFile file(log_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::unique_ptr<WineWindowService> WineWindowsTest::makeService() const
{
    const QString prefix = prefix_;
    return std::make_unique<WineWindowService>([prefix] { return prefix; }, helperFolder_);
}

void WineWindowsTest::closesEachClassInOrder()
{
    // Registered in other capitals than asked for: Windows compares class names without case.
    startStandin({QStringLiteral("MSBLClass:1:visible"), QStringLiteral("MSNMSBLClass:1:visible"),
                  QStringLiteral("MSBLWindowClass:1:visible")});
    const auto service = makeService();
    QStringList expected{QStringLiteral("ready")};
    const QStringList registered{QStringLiteral("MSBLWindowClass"), QStringLiteral("MSNMSBLClass"),
                                 QStringLiteral("MSBLClass")};
    for (int i = 0; i < messengerClasses.size(); ++i) {
        QVERIFY(service->closeWindowOfClass(messengerClasses[i]));
        // The call returns only after the window has handled the message.
        expected << QStringLiteral("WM_CLOSE ") + registered[i] + QStringLiteral(" window1");
        QCOMPARE(closeRequests(), expected);
    }
}

void WineWindowsTest::closesOneWindowOfClass_data()
{
    QTest::addColumn<QString>("windows"); // empty: no stand-in at all
    QTest::addColumn<bool>("closed");
    QTest::newRow("one visible") << QStringLiteral("msblwindowclass:1:visible") << true;
    QTest::newRow("one hidden") << QStringLiteral("msblwindowclass:1:hidden") << true;
    QTest::newRow("two visible") << QStringLiteral("msblwindowclass:2:visible") << true;
    QTest::newRow("two hidden") << QStringLiteral("msblwindowclass:2:hidden") << true;
    QTest::newRow("no stand-in running") << QString() << false;
    QTest::newRow("only windows of another class")
        << QStringLiteral("msblclasses:1:visible") << false;
}

// Exactly one window of the class is closed; where there is none, nothing is sent or said.
void WineWindowsTest::closesOneWindowOfClass()
{
    QFETCH(QString, windows);
    QFETCH(bool, closed);
    if (!windows.isEmpty())
        startStandin({windows});
    if (!closed)
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const auto service = makeService();
    QCOMPARE(service->closeWindowOfClass(QStringLiteral("msblwindowclass")), closed);
    const QStringList requests = closeRequests();
    if (closed) {
        QCOMPARE(requests.size(), 2);
        QVERIFY2(requests[1].startsWith(QStringLiteral("WM_CLOSE msblwindowclass window")),
                 qPrintable(requests[1]));
    } else {
        QCOMPARE(requests,
                 windows.isEmpty() ? QStringList() : QStringList{QStringLiteral("ready")});
    }
    // The other classes have no window: nothing more is sent.
    QVERIFY(!service->closeWindowOfClass(QStringLiteral("msnmsblclass")));
    QVERIFY(!service->closeWindowOfClass(QStringLiteral("msblclass")));
    QCOMPARE(closeRequests(), requests);
}

void WineWindowsTest::startsNothingWithoutServer_data()
{
    QTest::addColumn<bool>("killedHard");
    QTest::newRow("server ended normally") << false;
    QTest::newRow("server killed, its socket left behind") << true;
}

void WineWindowsTest::startsNothingWithoutServer()
{
    QFETCH(bool, killedHard);
    stopServer();
    if (killedHard) {
        startServer();
        QString socket;
        for (const QString& folder : wineServerFolders(prefix_)) {
            if (QFileInfo::exists(folder + QStringLiteral("/socket")))
                socket = folder + QStringLiteral("/socket");
        }
        QVERIFY(!socket.isEmpty());
        for (const qint64 pid : processesOfPrefix(prefix_))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        waitForNoProcesses();
        QVERIFY(QFileInfo::exists(socket));
    }
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const auto service = makeService();
    for (const QString& windowClass : messengerClasses)
        QVERIFY(!service->closeWindowOfClass(windowClass));
    // A server started by the service would still be there: servers linger after their last
    // program ends.
    QCOMPARE(processesOfPrefix(prefix_), QList<qint64>());
}

void WineWindowsTest::readsThirtyTwoBitRegistryView_data()
{
    QTest::addColumn<QString>("valuePath");
    QTest::addColumn<QString>("value");

    const QString messenger =
        QStringLiteral("Software\\Microsoft\\MSNMessenger\\InstallationDirectory");
    QTest::newRow("32-bit view, not the 64-bit one")
        << QStringLiteral("HKLM\\") + messenger
        << QStringLiteral("C:\\Program Files\\MSN Messenger\\");
    QTest::newRow("long hive name") << QStringLiteral("HKEY_LOCAL_MACHINE\\") + messenger
                                    << QStringLiteral("C:\\Program Files\\MSN Messenger\\");
    QTest::newRow("hive name in other capitals")
        << QStringLiteral("hklm\\") + messenger
        << QStringLiteral("C:\\Program Files\\MSN Messenger\\");
    QTest::newRow("only in the 64-bit view")
        << QStringLiteral("HKLM\\Software\\Microsoft\\MessengerService\\InstallationDirectory")
        << QString();
    QTest::newRow("missing value")
        << QStringLiteral("HKLM\\Software\\Microsoft\\MSNMessenger\\NoSuchValue") << QString();
    QTest::newRow("missing key") << QStringLiteral(
                                        "HKLM\\Software\\NoSuchVendor\\InstallationDirectory")
                                 << QString();
    QTest::newRow("unknown hive") << QStringLiteral("HKXX\\") + messenger << QString();
    QTest::newRow("no key at all") << QStringLiteral("InstallationDirectory") << QString();
    QTest::newRow("number") << QStringLiteral("HKLM\\Software\\DrapelloTest\\Count")
                            << QStringLiteral("42");
    QTest::newRow("unexpanded text") << QStringLiteral("HKLM\\Software\\DrapelloTest\\Expand")
                                     << QStringLiteral("%ProgramFiles%\\MSN Messenger");
    QTest::newRow("key's default value")
        << QStringLiteral("HKLM\\Software\\DrapelloTest\\") << QStringLiteral("default text");
    QTest::newRow("empty text") << QStringLiteral("HKLM\\Software\\DrapelloTest\\Empty")
                                << QString();
}

void WineWindowsTest::readsThirtyTwoBitRegistryView()
{
    QFETCH(QString, valuePath);
    QFETCH(QString, value);

    if (!registryFilled_) {
        regAdd("Microsoft\\MSNMessenger", "InstallationDirectory", "REG_SZ",
               "C:\\Program Files\\MSN Messenger\\", "32");
        regAdd("Microsoft\\MSNMessenger", "InstallationDirectory", "REG_SZ", "C:\\wrong view",
               "64");
        regAdd("Microsoft\\MessengerService", "InstallationDirectory", "REG_SZ", "C:\\wrong view",
               "64");
        regAdd("DrapelloTest", "Count", "REG_DWORD", "42", "32");
        regAdd("DrapelloTest", "Expand", "REG_EXPAND_SZ", "%ProgramFiles%\\MSN Messenger", "32");
        regAdd("DrapelloTest", "", "REG_SZ", "default text", "32");
        regAdd("DrapelloTest", "Empty", "REG_SZ", "", "32");
        registryFilled_ = true;
    }

    QByteArray output;
    QVERIFY(
        runQuietly(wine_, {QStringLiteral(DRAPELLO_REGISTRY_PROBE), valuePath}, 60000, &output));
    QCOMPARE(QString::fromUtf8(output.trimmed()), QLatin1Char('[') + value + QLatin1Char(']'));
}

// The real program, a picture on its command line, Ctrl+I: the picture becomes Messenger's
// background in the prefix and Messenger's contact list is asked to close.
void WineWindowsTest::installsThroughUserInterface()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");

    // Where 32-bit Messenger lives in a 64-bit prefix, named in the 32-bit registry view.
    const QString folder = prefix_ + QStringLiteral("/drive_c/Program Files (x86)/MSN Messenger");
    QVERIFY(QDir().mkpath(folder));
    const QString lvback = folder + QStringLiteral("/lvback.gif");
    writeFileBytes(lvback,
                   "an older and longer background than the new one, cut off if not truncated");
    regAdd("Microsoft\\MSNMessenger", "InstallationDirectory", "REG_SZ",
           "C:\\Program Files (x86)\\MSN Messenger\\", "32");
    // The program reads system.reg itself, which the server writes out when it ends.
    stopServer();
    startServer();
    startStandin({QStringLiteral("MSBLWindowClass:1:visible")});

    ProgramRun run;
    run.setSetting(QStringLiteral("algedaan"), QStringLiteral("1"));
    run.setEnv(QStringLiteral("WINEPREFIX"), prefix_);
    run.setEnv(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QByteArray picture = makeGif(3);
    const QString picturePath =
        writeFileBytes(run.root() + QStringLiteral("/my skin.gif"), picture);
    QProcess* app = run.start({QLatin1Char('"') + picturePath + QLatin1Char('"')});
    QCOMPARE(app->state(), QProcess::Running);

    const QStringList search = {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--pid"), QString::number(app->processId())};
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = xdotool(search).section(QLatin1Char('\n'), 0, 0)).isEmpty(),
                             30000);
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+i")});

    QTRY_COMPARE_WITH_TIMEOUT(readFileBytes(lvback), picture, 30000);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("lvback.gif")});
    // The contact list is closed after the copy, by the helper run inside the prefix.
    QTRY_COMPARE_WITH_TIMEOUT(
        closeRequests(),
        (QStringList{QStringLiteral("ready"), QStringLiteral("WM_CLOSE MSBLWindowClass window1")}),
        30000);
    // The helper runs for the other two classes end too; none is left behind.
    QTRY_COMPARE_WITH_TIMEOUT(childrenOf(app->processId()), QList<qint64>(), 60000);
    QCOMPARE(app->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(WineWindowsTest)
#include "wine_windows_test.moc"
