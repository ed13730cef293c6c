#include "platform/linux/wine_window_service.h"

#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_server.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

WineWindowService::WineWindowService(std::function<QString()> prefix, QString helperFolder,
                                     QString wineProgram, int timeLimitMs)
    : prefix_(std::move(prefix)), helperFolder_(std::move(helperFolder)),
      wineProgram_(std::move(wineProgram)), timeLimitMs_(timeLimitMs)
{
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer); // a coarse timer may fire before the deadline
    QObject::connect(&deadline_, &QTimer::timeout, &context_, [this] { outOfTime(); });
}

WineWindowService::~WineWindowService()
{
    cancel();
    // A killed helper ends at once; reaped here, its QProcess goes without a warning.
    for (QProcess* process : context_.findChildren<QProcess*>())
        process->waitForFinished(1000);
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

void WineWindowService::closeWindows(const QStringList& classes, QObject* receiver,
                                     Finished finished)
{
    if (rounds_.add(classes, receiver, std::move(finished)))
        startRound();
}

void WineWindowService::cancel()
{
    rounds_.dropAll();
    deadline_.stop();
    if (helper_)
        stopHelper();
}

void WineWindowService::startRound()
{
    roundPrefix_ = prefix_();
    // No server, no Messenger: and running wine now would start (or even create) a prefix.
    if (!wineServerRunning(roundPrefix_))
        return finishRound();
    switch (wineArchOf(roundPrefix_)) {
    case WineArch::Win64:
        roundHelper_ = helperFolder_ + QStringLiteral("/drapello-closewin64.exe");
        break;
    case WineArch::Win32:
        roundHelper_ = helperFolder_ + QStringLiteral("/drapello-closewin32.exe");
        break;
    case WineArch::Unknown:
        qWarning("Wine prefix %s has no readable #arch line; Messenger's windows are left open",
                 qUtf8Printable(roundPrefix_));
        return finishRound();
    }
    if (!QFileInfo(roundHelper_).isFile()) {
        qWarning("Window helper %s is missing; Messenger's windows are left open",
                 qUtf8Printable(roundHelper_));
        return finishRound();
    }
    roundWine_ = wineProgram_.contains(QLatin1Char('/'))
                     ? wineProgram_
                     : QStandardPaths::findExecutable(wineProgram_);
    if (roundWine_.isEmpty() || !QFileInfo(roundWine_).isExecutable()) {
        qWarning("Wine (%s) is not installed; Messenger's windows are left open",
                 qUtf8Printable(wineProgram_));
        return finishRound();
    }
    deadline_.start(timeLimitMs_);
    runNextClass();
}

void WineWindowService::runNextClass()
{
    const CloseRounds::Round& round = rounds_.current();
    // Messenger may have ended with its last window, and its server with it.
    if (round.next >= round.classes.size() || !wineServerRunning(roundPrefix_))
        return finishRound();
    output_.clear();
    helper_ = new QProcess(&context_);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), roundPrefix_);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    helper_->setProcessEnvironment(environment);
    helper_->setStandardInputFile(QProcess::nullDevice());
    helper_->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(helper_, &QProcess::readyReadStandardOutput, &context_,
                     [this] { readOutput(); });
    QObject::connect(helper_, &QProcess::finished, &context_, [this] { helperEnded(); });
    QObject::connect(helper_, &QProcess::errorOccurred, &context_,
                     [this](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return; // finished follows
                         qWarning("Could not start %s: %s", qUtf8Printable(roundWine_),
                                  qUtf8Printable(helper_->errorString()));
                         helperEnded();
                     });
    helper_->start(roundWine_, {roundHelper_, round.classes[round.next]});
}

void WineWindowService::readOutput()
{
    // Drained as it comes, or QProcess would buffer all of it; beyond the limit, not read at all.
    output_ += helper_->read(maxOutputBytes + 1 - output_.size());
    if (output_.size() <= maxOutputBytes)
        return;
    qWarning("Window helper printed more than %lld bytes; stopped",
             static_cast<long long>(maxOutputBytes));
    stopHelper();
    ++rounds_.current().next;
    runNextClass();
}

void WineWindowService::helperEnded()
{
    CloseRounds::Round& round = rounds_.current();
    const QString& windowClass = round.classes[round.next++];
    output_ += helper_->read(maxOutputBytes + 1 - output_.size());
    if (output_.size() <= maxOutputBytes && foundInOutput(output_, windowClass))
        round.found << windowClass;
    helper_->disconnect(&context_);
    helper_->deleteLater();
    helper_ = nullptr;
    runNextClass();
}

void WineWindowService::outOfTime()
{
    if (helper_) {
        qWarning("Window helper did not finish in time; stopped");
        stopHelper();
    }
    const CloseRounds::Round& round = rounds_.current();
    if (round.next + 1 < round.classes.size())
        qWarning("No time left to close Messenger's %s windows",
                 qUtf8Printable(round.classes.mid(round.next + 1).join(QStringLiteral(", "))));
    finishRound();
}

void WineWindowService::stopHelper()
{
    helper_->disconnect(&context_);
    helper_->closeReadChannel(QProcess::StandardOutput);
    if (helper_->state() == QProcess::NotRunning) {
        helper_->deleteLater();
    } else {
        // Reaped from the event loop: nothing here waits for the process to go.
        QObject::connect(helper_, &QProcess::finished, helper_, &QObject::deleteLater);
        helper_->kill();
    }
    helper_ = nullptr;
}

void WineWindowService::finishRound()
{
    deadline_.stop();
    if (rounds_.finishCurrent())
        startRound();
}
