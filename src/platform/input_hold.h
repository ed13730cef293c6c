#pragma once

#include <QObject>

// While one lives, the program's windows take no input (it is dropped, as over any busy window),
// yet a window's close request still comes through, so closing can end a wait.
class InputHold : public QObject {
public:
    InputHold();
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
