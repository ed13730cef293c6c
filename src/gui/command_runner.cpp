#include "gui/command_runner.h"

#include <QTimer>
#include <exception>

void CommandRunner::run(const std::function<void()>& command)
{
    // Ended on every way out, or a close request would wait for ever.
    struct Scope {
        CommandRunner& runner;
        ~Scope()
        {
            if (--runner.depth_ == 0 && runner.closePending_) {
                runner.closePending_ = false;
                QTimer::singleShot(0, &runner, &CommandRunner::closeRequested);
            }
        }
    } scope{*this};
    ++depth_;
    try {
        command();
    } catch (const std::exception& error) {
        // The core's commands report their own failures; nothing may leave a signal handler.
        qWarning("A command ended early: %s", error.what());
    }
}

void CommandRunner::runWhenIdle(const std::function<void()>& command)
{
    if (!busy())
        run(command);
}
