#pragma once

#include <QDialog>

class Form1;

// Choose your language / Kies je taal.
class Form4 : public QDialog {
    Q_OBJECT
public:
    explicit Form4(Form1& owner);

private:
    Form1& owner_;
};
