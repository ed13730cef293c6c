#include "app/form1.h"

#include <QTimer>

// The catalogue comes with its own change; until then the tick only disarms the timer.
void Form1::loading_Timer()
{
    loading->stop();
}

void Form1::update_Click() {}
