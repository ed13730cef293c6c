#include "platform/input_hold.h"

#include <QCoreApplication>
#include <QEvent>

InputHold::InputHold()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

InputHold::~InputHold() = default; // a filter that is gone is taken off the list

bool InputHold::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched);
    // Taken as overridden, no shortcut fires: the key comes back as a key press, dropped too.
    if (event->type() == QEvent::ShortcutOverride)
        event->accept();
    return event->isInputEvent();
}
