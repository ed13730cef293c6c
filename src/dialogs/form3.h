#pragma once

#include <QDialog>

class Form1;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// About Drapello. Only hidden by OK, so texts set by a language file stay for the whole run.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(Form1& owner);

    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label5 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QFrame* Frame1 = nullptr;
    QLabel* Label3 = nullptr; // the link to the maker's web site
    QPushButton* Command1 = nullptr;

    // Pointer at x, y over the link, in the link's own pixels: underlined while inside or on
    // its right or bottom edge, plain beyond it (the link has the mouse while a button is held).
    void Label3_MouseMove(int x, int y);
    void Label3_Click();
    // Pointer over the dialog's own background.
    void Form_MouseMove();
    void Command1_Click();

    bool linkUnderlined() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void setLinkUnderline(bool on);

    Form1& owner_;
    bool linkPressed_ = false;
};
