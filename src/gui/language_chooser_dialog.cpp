#include "gui/language_chooser_dialog.h"

#include "core/language/language_manager.h"
#include "gui/window_placement.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

LanguageChooserDialog::LanguageChooserDialog(LanguageManager& language, QWidget* owner)
    : QDialog(owner), language_(language)
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
    connect(ok, &QPushButton::clicked, this, &LanguageChooserDialog::confirm);

    centreOnScreen(*this);
}

void LanguageChooserDialog::listLanguageFiles()
{
    files_->clear();
    files_->addItems(language_.languageFiles());
    files_->setCurrentRow(-1);
    files_->clearSelection();
}

void LanguageChooserDialog::confirm()
{
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    const QString file = selected.isEmpty() ? QString() : selected.first()->text();
    // Closes this chooser; it is released once control is back in the event loop.
    done(Accepted);
    Q_EMIT chosen(file);
}

void LanguageChooserDialog::reject()
{
    QDialog::reject();
    Q_EMIT dismissed();
}
