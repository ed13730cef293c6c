#include "gui/settings_dialog.h"

#include "core/skin_controller.h"

#include <QCheckBox>
#include <QFrame>
#include <QPushButton>

SettingsDialog::SettingsDialog(SkinController& controller, QWidget* owner)
    : QDialog(owner), controller_(controller)
{
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(LanguageTable::defaultText(UiText::SettingsItem));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(280, 160); // 4200 x 2400 twips

    updateAtStart_ = new QCheckBox(LanguageTable::defaultText(UiText::UpdateAtStartBox), this);
    updateAtStart_->setObjectName(QStringLiteral("updateAtStartBox"));
    updateAtStart_->setGeometry(16, 16, 257, 17);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(8, 112, 265, 9);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(200, 128, 73, 25);
    ok->setDefault(true);

    // The state stored at start-up; it was stored again then, so no change is stored here.
    setCheckValue(controller.updateAtStart());
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(updateAtStart_, &QCheckBox::stateChanged, this,
            [this] { controller_.setUpdateAtStart(checkValue()); });
    // A greyed box comes only from a stored "2"; once the user clicks it, it is two-state again.
    connect(updateAtStart_, &QCheckBox::clicked, this, [this] {
        if (updateAtStart_->isTristate() && updateAtStart_->checkState() != Qt::PartiallyChecked)
            updateAtStart_->setTristate(false);
    });
}

void SettingsDialog::applyCaptions()
{
    setWindowTitle(controller_.language().text(UiText::SettingsItem));
    updateAtStart_->setText(controller_.language().text(UiText::UpdateAtStartBox));
}

void SettingsDialog::setCheckValue(int value)
{
    switch (value) {
    case 1:
        updateAtStart_->setCheckState(Qt::Checked);
        break;
    case 2:
        updateAtStart_->setTristate(true);
        updateAtStart_->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        updateAtStart_->setCheckState(Qt::Unchecked);
        break;
    }
}

int SettingsDialog::checkValue() const
{
    switch (updateAtStart_->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Checked:
        return 1;
    }
    return 0;
}
