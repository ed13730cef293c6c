#pragma once

#include "support/test_profile.h"
#include "support/wine_fixture.h"

#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Bounds of the waits on a window or a setting: a start on a loaded machine, in a sanitizer
// build, can take many seconds; a wait ends as soon as its condition holds.
constexpr int WindowBoundMs = 60000;

// The real program, copied into a folder of its own (Cache and language files live beside it),
// with settings, runtime folder and Wine prefix in a temporary directory. Its windows on the X
// server in $DISPLAY are driven as a user drives them: xdotool, Xlib and files.
class ProgramRun {
public:
    ProgramRun();
    ~ProgramRun();

    QString root() const { return dir_.path(); }
    QString programFolder() const { return program_.left(program_.lastIndexOf(u'/')); }
    QString cacheFolder() const { return programFolder() + QStringLiteral("/Cache"); }
    QString settingsFile() const { return root() + QStringLiteral("/config/KorvaneSoftware.ini"); }
    QString messengerFolder() const { return messenger_; } // named by the prefix's registry
    QString setting(const QString& key) const { return iniSetting(settingsFile(), key); }
    void setSetting(const QString& key, const QString& value) const
    {
        setIniSetting(settingsFile(), key, value);
    }
    bool waitForSetting(const QString& key) const
    {
        return QTest::qWaitFor([&] { return setting(key) != "<missing>"; }, WindowBoundMs);
    }
    void setEnv(const QString& name, const QString& value) { env_.insert(name, value); }

    // Waits until it runs; from root() unless folder is given.
    QProcess* start(const QStringList& arguments = {}, const QString& folder = {})
    {
        auto* process = new QProcess;
        processes_ << process;
        process->setProcessEnvironment(env_);
        process->setWorkingDirectory(folder.isEmpty() ? root() : folder);
        process->start(program_, arguments);
        process->waitForStarted(10000);
        return process;
    }
    // Runs the program of the build's own Debian package instead, extracted below root() with
    // its folders read-only. false, with the reason, when a packaging tool is missing.
    bool useInstalledPackage(QString* why);

    static bool canDriveX11(QString* why)
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            *why = "needs an X server (DISPLAY is not set)";
        else if (QStandardPaths::findExecutable("xdotool").isEmpty())
            *why = "needs xdotool";
        return why->isEmpty();
    }
    static QString xdotool(const QStringList& arguments)
    {
        QProcess tool;
        tool.start("xdotool", arguments);
        if (!tool.waitForFinished(30000))
            tool.kill();
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }
    // A visible window of the process whose title matches pattern (as xdotool takes it); its id
    // or "" after a bounded wait.
    static QString windowMatching(const QProcess* process, const QString& pattern,
                                  int timeoutMs = WindowBoundMs)
    {
        QStringList found;
        (void)QTest::qWaitFor([&] { return !(found = visibleWindows(process, pattern)).isEmpty(); },
                              timeoutMs);
        return found.value(0);
    }
    static QString windowOf(const QProcess* process, int timeoutMs = WindowBoundMs)
    {
        return windowMatching(process, QStringLiteral("Drapello"), timeoutMs);
    }
    // The ids of the process's visible windows whose title matches pattern ("" matches any,
    // menus too), at once.
    static QStringList visibleWindows(const QProcess* process, const QString& pattern = {})
    {
        // --all: both the process and the title must match (xdotool's default is either).
        QStringList search{"search", "--all", "--onlyvisible", "--pid",
                           QString::number(process->processId())};
        if (!pattern.isEmpty())
            search << "--name" << pattern;
        const QString found = xdotool(search);
        return found.isEmpty() ? QStringList() : found.split(QLatin1Char('\n'));
    }
    static bool waitUntilNoWindow(const QProcess* process, const QString& pattern)
    {
        return QTest::qWaitFor([&] { return visibleWindows(process, pattern).isEmpty(); },
                               WindowBoundMs);
    }
    // Waits (bounded) until the program's status bar has said text, as its log tells, after
    // the line the last wait found.
    static bool waitForStatus(QProcess* process, const QString& text, int timeoutMs = WindowBoundMs)
    {
        return waitForLog(process, "status: " + text.toUtf8() + '\n', timeoutMs);
    }
    // Waits (bounded) until the program's log holds text after what the last wait found.
    static bool waitForLog(QProcess* process, const QByteArray& text, int timeoutMs = WindowBoundMs)
    {
        // What was read stays with the process; each wait looks past what the last one found.
        return QTest::qWaitFor(
            [&] {
                QByteArray seen = process->property("statusLog").toByteArray();
                seen += process->readAllStandardError();
                process->setProperty("statusLog", seen);
                const qsizetype at =
                    seen.indexOf(text, process->property("statusFrom").toLongLong());
                if (at >= 0)
                    process->setProperty("statusFrom", qlonglong(at + text.size()));
                return at >= 0;
            },
            timeoutMs);
    }
    static void pressKeys(const QString& window, const QString& keys) // xdotool's names
    {
        xdotool({"windowfocus", "--sync", window});
        // To the focused window through XTEST: events sent to a window directly are marked
        // synthetic, and toolkits may ignore those.
        typeKeys(keys);
    }
    static void typeKeys(const QString& keys) { xdotool(QStringList{"key"} + keys.split(u' ')); }
    static QSize windowSize(const QString& window)
    {
        // "Geometry: 428x375" among the lines xdotool prints.
        const QStringList parts = xdotool({"getwindowgeometry", window})
                                      .section("Geometry: ", 1)
                                      .section(QLatin1Char('\n'), 0, 0)
                                      .split(QLatin1Char('x'));
        return QSize(parts.value(0).toInt(), parts.value(1).toInt());
    }
    static void clickAt(const QString& window, QPoint at) // in the window's coordinates
    {
        xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()),
                 "click", "1"});
    }
    // WM_DELETE_WINDOW, as a window manager sends it for the frame's close box.
    static void closeBox(const QString& window);
    // A plain window of the test's own laid over window and given the keyboard focus, as
    // another program's window covers Drapello's; it goes with this run.
    void coverWith(const QString& window);
    // window lies above the covering window. Not the keyboard focus: Qt asks for it with the
    // time of the last X event the program saw, and the server refuses a request older than the
    // cover's, so whether it moves depends on what the program saw last.
    bool aboveCover(const QString& window) const;

private:
    QTemporaryDir dir_;
    WinePrefixFixture wine_;
    QString messenger_;
    QString program_;
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
    QList<QProcess*> processes_;
    void* coverDisplay_ = nullptr; // the Xlib connection that owns the covering window
    unsigned long cover_ = 0;
};
