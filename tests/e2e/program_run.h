#pragma once

#include "support/wine_fixture.h"

#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

// The real program, copied into a folder of its own (it keeps Cache and language files beside
// itself) and run with a profile of its own: settings, runtime folder and Wine prefix all in a
// temporary directory, never the user's. Its windows are on the X server in $DISPLAY, driven as
// a user drives them, through the X server (xdotool, Xlib) and files.
class ProgramRun {
public:
    ProgramRun();
    ~ProgramRun();

    QString root() const { return dir_.path(); }
    QString programFolder() const { return dir_.path() + QStringLiteral("/program"); }
    QString cacheFolder() const { return programFolder() + QStringLiteral("/Cache"); }
    QString settingsFile() const
    {
        return dir_.path() + QStringLiteral("/config/KorvaneSoftware.ini");
    }
    // A folder inside the run's Wine prefix, named by its registry as Messenger's.
    QString messengerFolder() const { return messenger_; }
    QString setting(const QString& key) const; // "<missing>" when it is not there
    void setSetting(const QString& key, const QString& value) const;
    // Waits (bounded) until the settings file holds key, returns whether it did.
    bool waitForSetting(const QString& key, int timeoutMs = 15000) const;
    void setEnv(const QString& name, const QString& value) { env_.insert(name, value); }

    // Starts a copy of the program; waits until it runs.
    QProcess* start(const QStringList& arguments = {});

    static bool canDriveX11(QString* why);
    static QString xdotool(const QStringList& arguments);
    // Wait (bounded) for a visible window of the process whose title matches pattern (as xdotool
    // takes it), or is the whole title; return its id, or "".
    static QString windowMatching(const QProcess* process, const QString& pattern,
                                  int timeoutMs = 20000);
    static QString windowTitled(const QProcess* process, const QString& title);
    static QString windowOf(const QProcess* process, int timeoutMs = 20000)
    {
        return windowMatching(process, QStringLiteral("Drapello"), timeoutMs);
    }
    // Keys (xdotool's names, separated by blanks) to the window, one after the other.
    static void pressKeys(const QString& window, const QString& keys);
    static QSize windowSize(const QString& window);
    // A left click at a point given in the window's own coordinates.
    static void clickAt(const QString& window, QPoint at);
    // The window frame's close box: WM_DELETE_WINDOW from the X server, as a window manager sends.
    static void closeBox(const QString& window);

    // A plain window of the test's own over the whole screen, above every other, for as long as
    // the object lives; covers tells whether it is still above a given window.
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

private:
    QTemporaryDir dir_;
    WinePrefixFixture wine_;
    QString messenger_;
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
    QList<QProcess*> processes_;
};
