#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

// Asks top-level windows of given window classes to close. A round starts and returns at once;
// its outcome follows later, from the event loop.
class WindowService {
public:
    // The classes whose window was found and sent the close message.
    using Finished = std::function<void(const QStringList& found)>;

    virtual ~WindowService() = default;

    // Finds one top-level window of each class in turn and asks it to close, waiting (bounded)
    // until it has handled the request before the next class. The waits of a round share one
    // time limit: a hung system costs the user one wait, not one per class. finished runs once
    // the round has ended, on receiver's thread, and not at all once receiver is gone.
    virtual void closeWindows(const QStringList& classes, QObject* receiver, Finished finished)
    { // TRANSITION: pure once every service has it
        Q_UNUSED(classes)
        Q_UNUSED(receiver)
        Q_UNUSED(finished)
    }
    // The program is closing: a round still running stops now, and its finished never runs.
    virtual void cancel() {}

    // The blocking calls of before, going away: the core no longer calls them.
    virtual bool closeWindowOfClass(const QString& windowClass)
    {
        Q_UNUSED(windowClass)
        return false;
    }
    virtual void beginRound() {}
    virtual void endRound() {}
};

// Keeps a round open for the lifetime of the object.
class CloseRound {
public:
    explicit CloseRound(WindowService& windows) : windows_(windows) { windows_.beginRound(); }
    ~CloseRound() { windows_.endRound(); }
    CloseRound(const CloseRound&) = delete;
    CloseRound& operator=(const CloseRound&) = delete;

private:
    WindowService& windows_;
};
