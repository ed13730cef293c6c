#pragma once

#include "support/wine_fixture.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

// The real program, copied into a folder of its own (it keeps Cache and language files beside
// itself) and run with a profile of its own: settings, runtime folder and Wine prefix all in a
// temporary directory, never the user's.
class ProgramRun {
public:
    ProgramRun();
    ~ProgramRun();

    QString root() const { return dir_.path(); }
    QString programFolder() const { return dir_.path() + QStringLiteral("/program"); }
    QString settingsFile() const
    {
        return dir_.path() + QStringLiteral("/config/KorvaneSoftware.ini");
    }
    QString setting(const QString& key) const;
    void setSetting(const QString& key, const QString& value) const;

    QProcessEnvironment environment() const { return env_; }
    void setEnv(const QString& name, const QString& value) { env_.insert(name, value); }

    // A Wine prefix whose registry names a Messenger folder inside this run's directory.
    QString messengerFolder() const { return messenger_; }
    QString cacheFolder() const { return programFolder() + QStringLiteral("/Cache"); }

    // Starts a copy of the program; waits until it runs. Offscreen unless onX11 was called.
    QProcess* start(const QStringList& arguments = {});
    // The next start shows real windows on the X server in $DISPLAY.
    void onX11();

    // Driving the program as a user does, through the X server (xdotool). windowOf waits
    // (bounded) for the process's visible top-level window and returns its id, or "".
    static bool canDriveX11(QString* why);
    static QString xdotool(const QStringList& arguments);
    QString windowOf(const QProcess* process, int timeoutMs = 20000) const;
    static void pressKeys(const QString& window, const QString& keys);
    // The window's size as the X server has it.
    static QSize windowSize(const QString& window);
    // A left click at a point given in the window's own coordinates.
    static void clickAt(const QString& window, QPoint at);
    // Waits (bounded) until the settings file holds key, returns whether it did.
    bool waitForSetting(const QString& key, int timeoutMs = 15000) const;
    // Starts a copy of the program as the last word of command (such as "unshare -m sh -c ...").
    QProcess* startWrapped(const QStringList& command);

    // ---- closing and starting again
    // As windowOf, for the window whose title matches pattern (as xdotool takes it).
    static QString windowMatching(const QProcess* process, const QString& pattern,
                                  int timeoutMs = 20000);
    // The window frame's close box: WM_DELETE_WINDOW from the X server, as a window manager sends.
    static void closeBox(const QString& window);
    // Maps a plain window of the test's own over the whole screen, above every other, for as long
    // as the object lives; covers tells whether it is still above a given window.
    class Cover {
    public:
        Cover();
        ~Cover();
        Cover(const Cover&) = delete;
        Cover& operator=(const Cover&) = delete;
        bool covers(const QString& window) const;

    private:
        void* display_ = nullptr;
        unsigned long id_ = 0;
    };

    // ---- what the windows show
    // Waits (bounded) for a visible window of the process whose whole title is `title`.
    static QString windowTitled(const QProcess* process, const QString& title,
                                int timeoutMs = 20000);
    // What the X server shows of the window (or of `area` in it), as a user would see it.
    static QImage grab(const QString& window, const QRect& area = {});

private:
    QTemporaryDir dir_;
    WinePrefixFixture wine_;
    QString messenger_;
    QProcessEnvironment env_;
    QList<QProcess*> processes_;
};
