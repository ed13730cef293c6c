#pragma once

#include "core/services/window_service.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>

// The rounds a window service was asked for, run one after the other in the order asked. Each
// round's outcome reaches its caller from the event loop, never from inside a call; once they
// are dropped, not even an outcome already on its way is heard.
class CloseRounds {
public:
    struct Round {
        QStringList classes;
        QPointer<QObject> receiver;
        WindowService::Finished finished;
        QStringList found;
        int next = 0; // the class to try next
    };

    // true when it is the only one: the caller starts it now.
    bool add(const QStringList& classes, QObject* receiver, WindowService::Finished finished)
    {
        rounds_.push_back(Round{classes, receiver, std::move(finished), {}, 0});
        return rounds_.size() == 1;
    }
    Round& current() { return rounds_.front(); }
    // Reports the running round and drops it; true when another waits its turn.
    bool finishCurrent()
    {
        Round round = std::move(rounds_.front());
        rounds_.pop_front();
        if (round.receiver)
            QMetaObject::invokeMethod(
                round.receiver,
                [epoch = epoch_, asked = *epoch_, finished = std::move(round.finished),
                 found = round.found] {
                    if (*epoch == asked)
                        finished(found);
                },
                Qt::QueuedConnection);
        return !rounds_.empty();
    }
    void dropAll()
    {
        ++*epoch_;
        rounds_.clear();
    }

private:
    std::deque<Round> rounds_; // the running round first
    // Raised by dropAll(): an outcome posted before it sees the change and stays silent.
    std::shared_ptr<quint64> epoch_ = std::make_shared<quint64>(0);
};
