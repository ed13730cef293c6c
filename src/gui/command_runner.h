#pragma once

#include <QObject>
#include <functional>

// One command at a time. Every command runs to its end on the UI thread (a download waits in a
// nested event loop), so a timer tick or a close request may arrive while one runs: the tick
// is skipped (its timer stays armed), the close is carried out once the command has ended.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool busy() const { return depth_ > 0; }
    // Runs the command to its end. Commands report their own failures.
    void run(const std::function<void()>& command);
    // Runs it only when no command runs.
    void runWhenIdle(const std::function<void()>& command);
    // A close request came while a command ran: closeRequested follows once it has ended.
    void closeWhenIdle() { closePending_ = true; }

Q_SIGNALS:
    void closeRequested();

private:
    int depth_ = 0;
    bool closePending_ = false;
};
