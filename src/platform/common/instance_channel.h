#pragma once

#include "platform/common/instance_message.h"

#include <QString>
#include <functional>
#include <memory>

// A local socket beside the one-copy lock. The running copy listens; a later start knocks and
// hands over what it was started with, so that the copy the user already has comes to the
// front and shows the picture the start names.
class InstanceChannel {
public:
    // At every knock, on the event loop, with the message it brought, if any.
    using Wake = std::function<void(const std::optional<InstanceMessage>& message)>;

    explicit InstanceChannel(QString name);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // In the copy that holds the lock. A knock is read without waiting, within the bounds of
    // InstanceMessage.
    void listen(Wake wake);
    // In a later start: knocks and hands over message (none when empty); waits a moment at
    // most for the running copy to take it. false when nobody listens: the copy holding the
    // lock is starting or ending.
    bool knock(const QByteArray& message = {}) const;

private:
    class Listener; // each system's own socket
    QString name_;
    std::unique_ptr<Listener> listener_;
};
