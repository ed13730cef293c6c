#pragma once

#include <QDialog>

class Form1;
class QCheckBox;
class QFrame;
class QPushButton;

// Settings: whether the catalogue is downloaded afresh at every start. The box's state is stored
// the moment it changes, by the user or by code.
class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(Form1& owner);

    QCheckBox* Check1 = nullptr;
    QFrame* Frame1 = nullptr;
    QPushButton* Command1 = nullptr;

    // 0 unchecked, 1 checked, 2 greyed; any other value throws AppError 380.
    void setCheckValue(int value);
    int checkValue() const;

private:
    Form1& owner_;
};
