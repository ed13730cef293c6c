#include "dialogs/form2.h"

#include "app/form1.h"
#include "language/language_table.h"

#include <QCheckBox>
#include <QFrame>
#include <QPushButton>

Form2::Form2(Form1& owner) : QDialog(&owner), owner_(owner)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(LanguageTable::defaultText(18));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(280, 160); // 4200 x 2400 twips

    Check1 = new QCheckBox(LanguageTable::defaultText(26), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(16, 16, 257, 17);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::HLine);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(8, 112, 265, 9);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(200, 128, 73, 25);
    Command1->setDefault(true);

    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Check1, &QCheckBox::stateChanged, this, [this] {
        owner_.runCommand([this] {
            owner_.saveSetting(SettingKeys::updatelist, QString::number(checkValue()));
        });
    });
    // A greyed box comes only from a stored "2"; once the user clicks it, it is two-state again.
    connect(Check1, &QCheckBox::clicked, this, [this] {
        if (Check1->isTristate() && Check1->checkState() != Qt::PartiallyChecked)
            Check1->setTristate(false);
    });
}

void Form2::setCheckValue(int value)
{
    switch (value) {
    case 0: Check1->setCheckState(Qt::Unchecked); break;
    case 1: Check1->setCheckState(Qt::Checked); break;
    case 2:
        Check1->setTristate(true);
        Check1->setCheckState(Qt::PartiallyChecked);
        break;
    default: throw AppError::invalidPropertyValue();
    }
}

int Form2::checkValue() const
{
    switch (Check1->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::PartiallyChecked: return 2;
    case Qt::Checked: return 1;
    }
    return 0;
}
