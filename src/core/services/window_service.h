#pragma once

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
    virtual void closeWindows(const QStringList& classes, QObject* receiver, Finished finished) = 0;
    // The program is closing: a round still running stops now, and its finished never runs.
    virtual void cancel() {}
};
