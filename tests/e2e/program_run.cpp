#include "e2e/program_run.h"

#include <QDir>

ProgramRun::ProgramRun() : program_(dir_.path() + "/program/Drapello")
{
    QDir().mkpath(programFolder());
    QDir().mkpath(root() + "/run");
    QFile::setPermissions(root() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QDir bin = QFileInfo(QStringLiteral(DRAPELLO_BINARY)).absoluteDir();
    for (const QString& name : bin.entryList({"Drapello", "*.lng", "*.exe"}, QDir::Files))
        QFile::copy(bin.filePath(name), programFolder() + u'/' + name);

    env_.insert("XDG_CONFIG_HOME", root() + "/config");
    env_.insert("XDG_RUNTIME_DIR", root() + "/run");
    env_.insert("XDG_DATA_HOME", root() + "/data");
    env_.insert("XDG_CACHE_HOME", root() + "/.cache");
    messenger_ = wine_.makeFolder("Program Files/MSN Messenger");
    wine_.writeSystemReg(
        systemReg("win32", messengerKeys({}, "C:\\Program Files\\MSN Messenger\\")));
    env_.insert("WINEPREFIX", wine_.path());
    env_.insert("HOME", root());
    env_.remove("QT_QPA_PLATFORM"); // real windows on the X server in $DISPLAY
    env_.insert("QT_LOGGING_RULES", "drapello.status.info=true\ndrapello.history.info=true");
    // Never reach out to the default server from a test; no first-run language question.
    setSetting("base", "http://127.0.0.1:9/korvane/base/");
    setSetting("algedaan", "1");
}

bool ProgramRun::useInstalledPackage(QString* why)
{
    *why = "runs in the test tst_installed_package";
    if (!qEnvironmentVariableIsSet("DRAPELLO_PACKAGE_TEST"))
        return false;
    *why = "needs dpkg-shlibdeps (dpkg-dev) to build the package";
    if (QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
        return false;
    const QString out = root() + "/package";
    QProcess::execute(QStringLiteral(DRAPELLO_CPACK),
                      {"-G", "DEB", "--config", QStringLiteral(DRAPELLO_CPACK_CONFIG), "-B", out});
    for (const QString& deb : QDir(out).entryList({"drapello_*.deb"}))
        QProcess::execute("dpkg-deb", {"-x", out + u'/' + deb, root() + "/installed"});
    program_ = root() + "/installed/usr/bin/drapello"; // none if the build failed
    QFile::setPermissions(programFolder(), QFile::ReadOwner | QFile::ExeOwner);
    return true;
}

// Last: Xlib's macros (None, Bool, Status...) would clash with Qt's headers.
#include <X11/Xlib.h>

ProgramRun::~ProgramRun()
{
    QFile::setPermissions(programFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (QProcess* p : processes_) {
        p->kill();
        p->waitForFinished(5000);
        delete p;
    }
    if (coverDisplay_)
        XCloseDisplay(static_cast<Display*>(coverDisplay_)); // the covering window goes with it
}

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

void ProgramRun::coverWith(const QString& window)
{
    // A window that is gone by the time it is asked about is no reason to end the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    if (!coverDisplay_)
        coverDisplay_ = XOpenDisplay(nullptr);
    auto* display = static_cast<Display*>(coverDisplay_);
    if (!display)
        return;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes under{};
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(display, window.toULong(), &under) ||
        !XTranslateCoordinates(display, window.toULong(), root, 0, 0, &x, &y, &child))
        return;
    cover_ = XCreateSimpleWindow(display, root, x, y, unsigned(under.width), unsigned(under.height),
                                 0, 0, 0);
    XMapRaised(display, cover_);
    XSetInputFocus(display, cover_, RevertToParent, CurrentTime);
    XSync(display, False);
}

bool ProgramRun::aboveCover(const QString& window) const
{
    auto* display = static_cast<Display*>(coverDisplay_);
    if (!display || !cover_)
        return false;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return false;
    // Bottom to top: the window must come after the cover.
    const QList<Window> stack(children, children + count);
    XFree(children);
    return stack.contains(cover_) && stack.indexOf(window.toULong()) > stack.indexOf(cover_);
}
