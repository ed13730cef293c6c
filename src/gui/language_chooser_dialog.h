#pragma once

#include <QDialog>

class LanguageManager;
class QListWidget;

// Choose your language / Kies je taal. At the first start it is the only window. OK closes and
// releases it and reports the choice; what follows is the owner's to decide.
class LanguageChooserDialog : public QDialog {
    Q_OBJECT
public:
    LanguageChooserDialog(LanguageManager& language, QWidget* owner);

    // Lists the language files beside the program.
    void listLanguageFiles();

    // Closing without OK (frame, Escape): nothing was chosen.
    void reject() override;

Q_SIGNALS:
    // OK: the file name selected, or empty text for none (the default language).
    void chosen(const QString& fileName);
    void dismissed();

private:
    void confirm();

    LanguageManager& language_;
    QListWidget* files_ = nullptr;
};
