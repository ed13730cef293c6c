#include "platform/common/input_hold.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
// A copy that Qt takes for a program-made event: such a key press is offered to the shortcuts
// again when it is delivered, as a typed one would have been.
std::unique_ptr<QEvent> replayable(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        return std::make_unique<QKeyEvent>(key->type(), key->key(), key->modifiers(), key->text(),
                                           key->isAutoRepeat(), key->count());
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        return std::make_unique<QMouseEvent>(mouse->type(), mouse->position(),
                                             mouse->scenePosition(), mouse->globalPosition(),
                                             mouse->button(), mouse->buttons(), mouse->modifiers());
    }
    default:
        return nullptr; // moves, wheel turns and hovering mean nothing once the wait is over
    }
}
} // namespace

InputHold::InputHold()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

InputHold::~InputHold()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    for (auto& [receiver, event] : held_) {
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
    }
}

bool InputHold::eventFilter(QObject* watched, QEvent* event)
{
    // Taken as overridden, no shortcut fires now: the key comes on as a key press, held below,
    // and meets the shortcuts when it is handed over.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (!event->isInputEvent())
        return false;
    if (std::unique_ptr<QEvent> copy = replayable(event))
        held_.emplace_back(watched, std::move(copy));
    return true;
}
