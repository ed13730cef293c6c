#pragma once

#include "core/install/background_history.h"

#include <QDialog>
#include <QList>

class QListWidget;
class QPushButton;
class SkinController;

// The backgrounds Messenger shows now and the copies kept of earlier ones, newest first, as
// thumbnails with date, time and Messenger folder. A copy can be put back, and one this program
// made can be deleted. Not modal: the list follows installs made meanwhile.
class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    HistoryWindow(SkinController& controller, QWidget* owner);

    void applyCaptions();
    // Shows the window with the backgrounds read afresh, or brings it to the front.
    void showHistory();

private:
    void refresh();
    // Enables the buttons as the entry chosen and the task running allow.
    void applyPolicy();
    const BackgroundEntry* chosen() const;
    QString describe(const BackgroundEntry& entry) const;
    void restoreChosen();
    void deleteChosen();

    SkinController& controller_;
    QListWidget* list_ = nullptr;
    QPushButton* restoreButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QList<BackgroundEntry> entries_;
};
