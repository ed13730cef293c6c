#include "e2e/program_run.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#ifndef DRAPELLO_BINARY
#error "DRAPELLO_BINARY must name the built program"
#endif

ProgramRun::ProgramRun() : env_(QProcessEnvironment::systemEnvironment())
{
    QDir().mkpath(programFolder());
    QDir().mkpath(root() + QStringLiteral("/config"));
    QDir().mkpath(root() + QStringLiteral("/run"));
    QFile::setPermissions(root() + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString binary = QStringLiteral(DRAPELLO_BINARY);
    QFile::copy(binary, programFolder() + QStringLiteral("/Drapello"));
    // Files shipped beside the program travel with it.
    const QDir binDir = QFileInfo(binary).absoluteDir();
    for (const QString& name : binDir.entryList({QStringLiteral("*.lng"), QStringLiteral("*.exe")},
                                                QDir::Files))
        QFile::copy(binDir.filePath(name), programFolder() + QLatin1Char('/') + name);

    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), root() + QStringLiteral("/config"));
    env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), root() + QStringLiteral("/run"));
    env_.insert(QStringLiteral("WINEPREFIX"), root() + QStringLiteral("/wine"));
    env_.insert(QStringLiteral("HOME"), root());
    if (!env_.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Never reach out to the default server from a test.
    setSetting(QStringLiteral("base"), QStringLiteral("http://127.0.0.1:9/korvane/base/"));
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
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (setting(key) != QStringLiteral("<missing>"))
            return true;
        QThread::msleep(50);
    }
    return false;
}
