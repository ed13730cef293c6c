#include "gui/language_chooser_dialog.h"

#include "core/app_error.h"
#include "core/skin_controller.h"
#include "gui/command_runner.h"
#include "gui/main_window.h"
#include "gui/window_placement.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

LanguageChooserDialog::LanguageChooserDialog(SkinController& controller, CommandRunner& runner,
                                             MainWindow& owner)
    : QDialog(&owner), controller_(controller), owner_(owner)
{
    setObjectName(QStringLiteral("languageChooser"));
    setWindowTitle(QStringLiteral("Choose your language / Kies je taal"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // Released when OK closes it; the next opening builds a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(312, 158); // 4680 x 2370 twips

    auto label = [this](const char* name, const QString& text, const QRect& place) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        l->setGeometry(place);
        return l;
    };
    auto rule = [this](const char* name, const QRect& place) {
        auto* f = new QFrame(this);
        f->setObjectName(QString::fromLatin1(name));
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
        f->setGeometry(place);
        return f;
    };

    label("englishHint",
          QStringLiteral("Don't select anything if you want to load the default language."),
          QRect(8, 4, 296, 30));
    rule("hintRule", QRect(8, 34, 296, 3));
    label("dutchHint", QStringLiteral("Selecteer niets als je de Nederlandse taal wilt laden."),
          QRect(8, 37, 296, 30));

    files_ = new QListWidget(this);
    files_->setObjectName(QStringLiteral("languageFiles"));
    files_->setSelectionMode(QAbstractItemView::SingleSelection);
    files_->setGeometry(8, 68, 296, 48);

    rule("listRule", QRect(8, 118, 296, 4));
    label("okHint", QStringLiteral("Please select a language file and click the OK button."),
          QRect(8, 124, 216, 30));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(232, 127, 73, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this,
            [this, &runner] { runner.run([this] { confirm(); }); });

    centreOnScreen(*this);
}

void LanguageChooserDialog::listLanguageFiles()
{
    files_->clear();
    files_->addItems(controller_.language().languageFiles());
    files_->setCurrentRow(-1);
    files_->clearSelection();
}

void LanguageChooserDialog::confirm()
{
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    const QString file = selected.isEmpty() ? QString() : selected.first()->text();
    const std::optional<AppError> notStored =
        controller_.language().confirmChoice(file, !owner_.isVisible());
    // Closes and releases this chooser (it deletes itself once closed).
    done(Accepted);
    owner_.showMain();
    if (notStored)
        controller_.reportError(*notStored);
}

void LanguageChooserDialog::reject()
{
    QDialog::reject();
    if (!owner_.isVisible())
        owner_.close();
}
