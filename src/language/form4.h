#pragma once

#include <QDialog>

class Form1;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

// Choose your language / Kies je taal. The first window of the program: its load step applies
// the stored language and decides whether the user must choose first. OK releases it.
class Form4 : public QDialog {
    Q_OBJECT
public:
    explicit Form4(Form1& owner);

    QLabel* Label2 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* File1 = nullptr;
    QFrame* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;

    // Lists the language files, applies the stored language to the main window, and shows
    // either the main window or (when no choice was ever confirmed) this chooser.
    void Form_Load();
    void Command1_Click();
    // The selected file name, empty when nothing is selected.
    QString selectedFile() const;

    // Closing without OK (frame, Escape) stores and loads nothing. While the main window has
    // never been shown, there is nothing left to use, so the program ends.
    void reject() override;

private:
    void listLanguageFiles();

    Form1& owner_;
};
