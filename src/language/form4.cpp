#include "language/form4.h"

#include "app/form1.h"
#include "app/window_placement.h"
#include "platform/platform.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <optional>

Form4::Form4(Form1& owner) : QDialog(&owner), owner_(owner)
{
    setObjectName(QStringLiteral("Form4"));
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

    Label2 = label(
        "Label2", QStringLiteral("Don't select anything if you want to load the default language."),
        QRect(8, 4, 296, 30));
    Line1 = rule("Line1", QRect(8, 34, 296, 3));
    Label3 =
        label("Label3", QStringLiteral("Selecteer niets als je de Nederlandse taal wilt laden."),
              QRect(8, 37, 296, 30));

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    File1->setGeometry(8, 68, 296, 48);

    Frame1 = rule("Frame1", QRect(8, 118, 296, 4));
    Label1 =
        label("Label1", QStringLiteral("Please select a language file and click the OK button."),
              QRect(8, 124, 216, 30));

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(232, 127, 73, 25);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this,
            [this] { owner_.runCommand([this] { Command1_Click(); }); });

    centreOnScreen(*this);
}

void Form4::listLanguageFiles()
{
    // Ordinary, visible files only, matched without regard to case, as a file list box does.
    QDir folder(owner_.programFolder());
    const QStringList names =
        folder.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    File1->clear();
    File1->addItems(names);
    File1->setCurrentRow(-1);
    File1->clearSelection();
}

void Form4::Form_Load()
{
    listLanguageFiles();

    const QString language = owner_.getSetting(SettingKeys::language);
    if (!language.isEmpty())
        owner_.LoadLanguage(owner_.programFolder() + QLatin1Char('/') + language);
    else
        owner_.LoadDefaultLanguage();

    // Only the number 1 skips the choice. Text that is no number, or a fraction that would
    // round to 1, can only come from editing the settings by hand; it asks again.
    bool isNumber = false;
    const double algedaan = owner_.getSetting(SettingKeys::algedaan).trimmed().toDouble(&isNumber);
    if (isNumber && algedaan == 1.0) {
        owner_.showMain();
    } else if (!owner_.isVisible()) {
        show();
    }
    // Opened from the menu, the caller shows the chooser modal over the visible main window.
}

QString Form4::selectedFile() const
{
    const QList<QListWidgetItem*> selected = File1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void Form4::Command1_Click()
{
    const QString file = selectedFile();
    // A choice that cannot be stored still takes effect for this run; the failure is reported
    // once the main window is up.
    std::optional<AppError> notStored;
    try {
        owner_.saveSetting(SettingKeys::algedaan, QStringLiteral("1"));
        owner_.saveSetting(SettingKeys::language, file);
    } catch (const AppError& error) {
        notStored = error;
    }
    if (!file.isEmpty()) {
        owner_.LoadLanguage(owner_.programFolder() + QLatin1Char('/') + file);
    } else {
        owner_.platform().dialogs->message(
            this,
            QStringLiteral("No language file selected, the default language (Dutch), will be "
                           "loaded.\r\nIt will take a effect when the program will be restarted."),
            QStringLiteral("Language"), MessageIcon::Information);
    }
    owner_.setStatus(QString());
    // Closes and releases this chooser (it deletes itself once closed).
    done(Accepted);
    owner_.showMain();
    if (notStored)
        throw *notStored;
}

void Form4::reject()
{
    QDialog::reject();
    if (!owner_.isVisible())
        owner_.close();
}
