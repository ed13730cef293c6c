#pragma once

#include <QDialog>

class QCheckBox;
class SkinController;

// Settings: whether the catalogue is downloaded afresh at every start. The box's state is stored
// the moment it changes.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(SkinController& controller, QWidget* owner);

    void applyCaptions();

private:
    // 0 unchecked, 1 checked, 2 greyed.
    void setCheckValue(int value);
    int checkValue() const;

    SkinController& controller_;
    QCheckBox* updateAtStart_ = nullptr;
};
