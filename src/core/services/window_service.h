#pragma once

#include <QString>

// Finds one top-level window of a window class and asks it to close, waiting (bounded) until it
// has handled the request.
class WindowService {
public:
    virtual ~WindowService() = default;
    // true when a window of the class was found and sent the close message.
    virtual bool closeWindowOfClass(const QString& windowClass) = 0;

    // A round of closes, one per class. Within a round the waits share one time limit: a hung
    // system costs the user one wait, not one per class.
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
