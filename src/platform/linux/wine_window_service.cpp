#include "platform/linux/wine_window_service.h"

#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_server.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

WineWindowService::WineWindowService(std::function<QString()> prefix, QString helperFolder,
                                     QString wineProgram, int timeLimitMs)
    : prefix_(std::move(prefix)), helperFolder_(std::move(helperFolder)),
      wineProgram_(std::move(wineProgram)), timeLimitMs_(timeLimitMs)
{
}

void WineWindowService::beginRound()
{
    if (roundDepth_++ == 0)
        roundDeadline_ = QDeadlineTimer(timeLimitMs_);
}

void WineWindowService::endRound()
{
    if (roundDepth_ > 0)
        --roundDepth_;
}

bool WineWindowService::foundInOutput(const QByteArray& output, const QString& windowClass)
{
    const QByteArray wanted = windowClass.toLatin1();
    for (const QByteArray& rawLine : output.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const int space = line.indexOf(' ');
        if (space < 0)
            continue;
        if (line.mid(space + 1).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray outcome = line.left(space);
        return outcome == "closed" || outcome == "no-answer";
    }
    return false;
}

bool WineWindowService::closeWindowOfClass(const QString& windowClass)
{
    const QString prefix = prefix_();
    // No server, no Messenger: and running wine now would start (or even create) a prefix.
    if (!wineServerRunning(prefix))
        return false;

    QString helper;
    switch (wineArchOf(prefix)) {
    case WineArch::Win64:
        helper = helperFolder_ + QStringLiteral("/drapello-closewin64.exe");
        break;
    case WineArch::Win32:
        helper = helperFolder_ + QStringLiteral("/drapello-closewin32.exe");
        break;
    case WineArch::Unknown:
        qWarning("Wine prefix %s has no readable #arch line; Messenger's windows are left open",
                 qUtf8Printable(prefix));
        return false;
    }
    if (!QFileInfo(helper).isFile()) {
        qWarning("Window helper %s is missing; Messenger's windows are left open",
                 qUtf8Printable(helper));
        return false;
    }
    const QString wine = wineProgram_.contains(QLatin1Char('/'))
                             ? wineProgram_
                             : QStandardPaths::findExecutable(wineProgram_);
    if (wine.isEmpty() || !QFileInfo(wine).isExecutable()) {
        qWarning("Wine (%s) is not installed; Messenger's windows are left open",
                 qUtf8Printable(wineProgram_));
        return false;
    }

    const QDeadlineTimer deadline = roundDepth_ > 0 ? roundDeadline_ : QDeadlineTimer(timeLimitMs_);
    if (deadline.hasExpired()) {
        qWarning("No time left to close Messenger's %s windows", qUtf8Printable(windowClass));
        return false;
    }

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    // Wait as during a download: the window repaints, but takes no input meanwhile.
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer); // a coarse timer may fire before the deadline
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Drained as it comes, or QProcess would buffer all of it; beyond the limit, not read at all.
    QByteArray output;
    bool tooMuch = false;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        output += process.read(maxOutputBytes + 1 - output.size());
        if (output.size() > maxOutputBytes) {
            tooMuch = true;
            loop.quit();
        }
    });
    process.start(wine, {helper, windowClass});
    if (process.state() != QProcess::NotRunning) {
        timeout.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (process.state() != QProcess::NotRunning) {
        if (tooMuch)
            qWarning("Window helper printed more than %lld bytes; stopped",
                     static_cast<long long>(maxOutputBytes));
        else
            qWarning("Window helper did not finish in time; stopped");
        if (!tooMuch && roundDepth_ > 0)
            roundDeadline_ = QDeadlineTimer(0); // the round's time is up, whatever the clock says
        process.closeReadChannel(QProcess::StandardOutput);
        process.kill();
        process.waitForFinished(2000);
    }
    if (process.error() == QProcess::FailedToStart) {
        qWarning("Could not start %s: %s", qUtf8Printable(wine),
                 qUtf8Printable(process.errorString()));
        return false;
    }
    if (!tooMuch)
        output += process.read(maxOutputBytes + 1 - output.size());
    if (output.size() > maxOutputBytes)
        return false;
    return foundInOutput(output, windowClass);
}
