#pragma once

#include <QDialog>

class Form1;

// About Drapello.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(Form1& owner);

private:
    Form1& owner_;
};
