#pragma once

#include <QDialog>

class CommandRunner;
class MainWindow;
class QListWidget;
class SkinController;

// Choose your language / Kies je taal. At the first start it is the only window; OK stores the
// choice, loads it, and releases the chooser.
class LanguageChooserDialog : public QDialog {
    Q_OBJECT
public:
    LanguageChooserDialog(SkinController& controller, CommandRunner& runner, MainWindow& owner);

    // Lists the language files beside the program.
    void listLanguageFiles();

    // Closing without OK (frame, Escape) stores and loads nothing. While the main window has
    // never been shown, there is nothing left to use, so the program ends.
    void reject() override;

private:
    void confirm();

    SkinController& controller_;
    MainWindow& owner_;
    QListWidget* files_ = nullptr;
};
