#pragma once

#include "core/catalogue/server_check.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class SkinController;

// Choosing the skin server: the servers the user keeps, with the one in use in bold. An address
// is checked (its form, then the server's category list) before it is added or replaces one;
// meanwhile the dialog says so and stays usable, and closing it gives the check up. "Use" makes
// the chosen server the one in use and closes the dialog, while the catalogue loads from it.
class ServerDialog : public QDialog {
    Q_OBJECT
public:
    ServerDialog(SkinController& controller, QWidget* owner);

    void applyCaptions();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void listServers(const QString& selected);
    QString selectedServer() const;
    // Enables each button for the server selected and the task running.
    void applyState();
    // replace: the checked address takes the selected server's place.
    void check(bool replace);
    void checked(const QString& url, ServerCheck::Outcome outcome);
    void removeSelected();
    void useSelected();
    void showNote(const QString& text);

    SkinController& controller_;
    QListWidget* list_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* use_ = nullptr;
    QPushButton* close_ = nullptr;
    QLabel* note_ = nullptr;
    // The listed server the check under way replaces; empty: it adds.
    QString replacing_;
};
