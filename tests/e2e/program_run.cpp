#include "e2e/program_run.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#ifndef DRAPELLO_BINARY
#error "DRAPELLO_BINARY must name the built program"
#endif

ProgramRun::ProgramRun()
{
    QDir().mkpath(programFolder());
    QDir().mkpath(root() + QStringLiteral("/run"));
    QFile::setPermissions(root() + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString binary = QStringLiteral(DRAPELLO_BINARY);
    QFile::copy(binary, programFolder() + QStringLiteral("/Drapello"));
    // Files shipped beside the program travel with it.
    const QDir binDir = QFileInfo(binary).absoluteDir();
    for (const QString& name :
         binDir.entryList({QStringLiteral("*.lng"), QStringLiteral("*.exe")}, QDir::Files))
        QFile::copy(binDir.filePath(name), programFolder() + QLatin1Char('/') + name);

    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), root() + QStringLiteral("/config"));
    env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), root() + QStringLiteral("/run"));
    env_.insert(QStringLiteral("XDG_DATA_HOME"), root() + QStringLiteral("/data"));
    messenger_ = wine_.makeFolder(QStringLiteral("Program Files/MSN Messenger"));
    wine_.writeSystemReg(systemReg(
        "win32", messengerKeys({}, QStringLiteral("C:\\Program Files\\MSN Messenger\\"))));
    env_.insert(QStringLiteral("WINEPREFIX"), wine_.path());
    env_.insert(QStringLiteral("HOME"), root());
    env_.remove(QStringLiteral("QT_QPA_PLATFORM")); // real windows on the X server in $DISPLAY
    // Never reach out to the default server from a test; no first-run language question.
    setSetting(QStringLiteral("base"), QStringLiteral("http://127.0.0.1:9/korvane/base/"));
    setSetting(QStringLiteral("algedaan"), QStringLiteral("1"));
}

ProgramRun::~ProgramRun()
{
    for (QProcess* p : processes_) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
        delete p;
    }
}

QString ProgramRun::setting(const QString& key) const
{
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Drapello"));
    return ini.contains(key) ? ini.value(key).toString() : QStringLiteral("<missing>");
}

void ProgramRun::setSetting(const QString& key, const QString& value) const
{
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Drapello"));
    ini.setValue(key, value);
    ini.endGroup();
    ini.sync();
}

QProcess* ProgramRun::start(const QStringList& arguments)
{
    auto* process = new QProcess;
    processes_ << process;
    process->setProcessEnvironment(env_);
    process->setWorkingDirectory(root());
    process->start(programFolder() + QStringLiteral("/Drapello"), arguments);
    process->waitForStarted(10000);
    return process;
}

bool ProgramRun::waitForSetting(const QString& key, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return setting(key) != QStringLiteral("<missing>"); }, timeoutMs);
}

bool ProgramRun::canDriveX11(QString* why)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        *why = QStringLiteral("needs an X server (DISPLAY is not set)");
    else if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        *why = QStringLiteral("needs xdotool");
    return why->isEmpty();
}

QString ProgramRun::xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000))
        tool.kill();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

QString ProgramRun::windowMatching(const QProcess* process, const QString& pattern, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        // --all: both the process and the title must match (xdotool's default is either).
        const QString found =
            xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                     QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                     QString::number(process->processId()), QStringLiteral("--name"), pattern});
        if (!found.isEmpty())
            return found.section(QLatin1Char('\n'), 0, 0);
        QThread::msleep(100);
    }
    return {};
}

void ProgramRun::pressKeys(const QString& window, const QString& keys)
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    // To the focused window through XTEST: events sent to a window directly are marked
    // synthetic, and toolkits may ignore those.
    xdotool(QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' ')));
}

void ProgramRun::clickAt(const QString& window, QPoint at)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
             QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

QSize ProgramRun::windowSize(const QString& window)
{
    // "Geometry: 428x375" among the lines xdotool prints.
    const QString text = xdotool({QStringLiteral("getwindowgeometry"), window});
    const qsizetype at = text.indexOf(QStringLiteral("Geometry: "));
    if (at < 0)
        return {};
    const QStringList parts =
        text.mid(at + 10).section(QLatin1Char('\n'), 0, 0).trimmed().split(QLatin1Char('x'));
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

QString ProgramRun::windowTitled(const QProcess* process, const QString& title)
{
    return windowMatching(process, u'^' + QRegularExpression::escape(title) + u'$');
}

// Last: Xlib's macros (None, Bool, Status...) would clash with Qt's headers.
#include <X11/Xlib.h>

void ProgramRun::closeBox(const QString& window)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display); // sends what is queued
}

ProgramRun::Cover::Cover()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    const int screen = DefaultScreen(display);
    id_ = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                              unsigned(DisplayWidth(display, screen)),
                              unsigned(DisplayHeight(display, screen)), 0, 0, 0);
    XMapRaised(display, id_);
    XSync(display, False);
    display_ = display;
}

ProgramRun::Cover::~Cover()
{
    if (display_)
        XCloseDisplay(static_cast<Display*>(display_)); // takes the window with it
}

bool ProgramRun::Cover::covers(const QString& window) const
{
    auto* display = static_cast<Display*>(display_);
    if (!display)
        return false;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return false;
    // Bottom to top: whichever of the two comes last is in front.
    int mine = -1;
    int theirs = -1;
    for (unsigned int i = 0; i < count; ++i) {
        if (children[i] == id_)
            mine = int(i);
        if (children[i] == window.toULong())
            theirs = int(i);
    }
    XFree(children);
    return mine > theirs;
}
