#pragma once

#include <QProcess>
#include <QProcessEnvironment>
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
    QString settingsFile() const { return dir_.path() + QStringLiteral("/config/KorvaneSoftware.ini"); }
    QString setting(const QString& key) const;
    void setSetting(const QString& key, const QString& value) const;

    QProcessEnvironment environment() const { return env_; }
    void setEnv(const QString& name, const QString& value) { env_.insert(name, value); }

    // Starts a copy of the program; waits until it runs.
    QProcess* start(const QStringList& arguments = {});
    // Waits (bounded) until the settings file holds key, returns whether it did.
    bool waitForSetting(const QString& key, int timeoutMs = 15000) const;

private:
    QTemporaryDir dir_;
    QProcessEnvironment env_;
    QList<QProcess*> processes_;
};
