#include "app/command_line.h"
#include "app/form1.h"
#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "language/form4.h"
#include "language/lng_file.h"
#include "language/qt_translations.h"
#include "platform/platform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

Form4* Form1::chooser() const
{
    return chooser_;
}

void Form1::setChooser(Form4* form4)
{
    chooser_ = form4;
}

namespace {
// At start-up the main window is still hidden and not yet placed: a box owned by it would open
// in the screen's corner, so it goes over whatever window is in front (or the screen's middle).
QWidget* messageOwner(Form1& form)
{
    return form.isVisible() ? &form : QApplication::activeWindow();
}

// The next start uses the built-in language. Runs at start-up too, outside any command, so a
// store that fails is reported here.
void forgetLanguage(Form1& form)
{
    try {
        form.saveSetting(SettingKeys::language, QString());
    } catch (const AppError& error) {
        form.commonError(error);
    }
}

// The captions a language file carries, in the order they are put on their controls. The
// dialogs get theirs whether or not they were ever opened, and keep them.
void applyCaptions(Form1& form)
{
    const LanguageTable& lang = form.lang;
    form.ensureLoaded(); // the first caption touches the main window's controls
    form.SetSkin->setText(lang.entry(1));
    form.menu.file->setTitle(lang.entry(11));
    form.menu.update->setText(lang.entry(12));
    form.menu.close->setText(lang.entry(13));
    form.menu.options->setTitle(lang.entry(14));
    form.menu.skin->setText(lang.entry(15));
    form.menu.deleteskins->setText(lang.entry(16));
    form.menu.manualskin->setText(lang.entry(17));
    form.menu.settings->setText(lang.entry(18));
    form.form2()->setWindowTitle(lang.entry(18));
    form.menu.language->setText(lang.entry(19));
    form.menu.out->setText(lang.entry(20));
    form.menu.in->setText(lang.entry(21));
    form.menu.help->setTitle(lang.entry(22));
    form.menu.visit->setText(lang.entry(23));
    form.form3()->Label3->setText(lang.entry(23));
    form.form3()->Label2->setText(lang.entry(24));
    form.form3()->Label5->setText(lang.entry(25));
    form.form2()->Check1->setText(lang.entry(26));
}
} // namespace

void Form1::LoadLanguage(const QString& strBestandspad)
{
    if (!isOrdinaryFile(strBestandspad)) {
        LoadDefaultLanguage();
        forgetLanguage(*this);
        platform_.dialogs->message(
            messageOwner(*this),
            QStringLiteral("Language file is missing. The default language will be loaded."),
            QStringLiteral("Error"), MessageIcon::Information);
        return;
    }

    const LanguageFileContent file = readLanguageFile(strBestandspad);
    // Lines read before a failure keep their place in the table until the next start.
    for (int i = 0; i < file.lines.size(); ++i)
        lang.setEntry(i + 1, file.lines.at(i));
    if (!file.complete()) {
        forgetLanguage(*this);
        platform_.dialogs->message(messageOwner(*this),
                                   QStringLiteral("Error in language file, cannot read input. "
                                                  "Restart this program to load the default "
                                                  "language."),
                                   QStringLiteral("Error"), MessageIcon::Critical);
        return;
    }
    applyCaptions(*this);
    useQtTranslations(localeOfLanguageFile(strBestandspad));
}

void Form1::language_Click()
{
    // The chooser hidden since a start that skipped it is shown as it is; once OK has
    // released it, every opening builds it anew and loads it.
    Form4* form4 = chooser();
    if (!form4) {
        form4 = new Form4(*this);
        setChooser(form4);
        form4->Form_Load();
    }
    form4->exec();
}
