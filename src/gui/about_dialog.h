#pragma once

#include <QDialog>

class QLabel;
class SkinController;

// About Drapello. Only hidden by OK, so texts set by a language file stay for the whole run.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(SkinController& controller, QWidget* owner);

    void applyCaptions();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Pointer at x, y over the link, in the link's own pixels: underlined while inside or on
    // its right or bottom edge, plain beyond it (the link has the mouse while a button is held).
    void pointerOverLink(int x, int y);
    void pointerOverBackground();
    void linkClicked();
    void setLinkUnderline(bool on);

    SkinController& controller_;
    QLabel* versions_ = nullptr;
    QLabel* thanks_ = nullptr;
    QLabel* link_ = nullptr; // the link to the maker's web site
    bool linkPressed_ = false;
};
