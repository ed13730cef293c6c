#pragma once

#include <QString>
#include <functional>
#include <memory>

// A local socket beside the one-copy lock. The running copy listens; a later start knocks, so
// that the copy the user already has comes to the front instead of nothing happening at all.
class InstanceChannel {
public:
    explicit InstanceChannel(QString name);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // In the copy that holds the lock: wake runs on the event loop at every knock.
    void listen(std::function<void()> wake);
    // In a later start; waits a moment at most for the running copy to take it.
    // false when nobody listens: the copy holding the lock is starting or ending.
    bool knock() const;

private:
    class Listener; // each system's own socket
    QString name_;
    std::unique_ptr<Listener> listener_;
};
