#include "gui/server_dialog.h"

#include "core/app_error.h"
#include "core/skin_controller.h"
#include "gui/work_policy.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPushButton>
#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(statusLog)

namespace {
QPushButton* makeButton(QWidget* parent, const char* name, UiText caption)
{
    auto* button = new QPushButton(LanguageTable::defaultText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}
} // namespace

ServerDialog::ServerDialog(SkinController& controller, QWidget* owner)
    : QDialog(owner), controller_(controller)
{
    setObjectName(QStringLiteral("serverDialog"));
    setWindowTitle(LanguageTable::defaultText(UiText::ServerItem));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("serverList"));
    list_->setFixedSize(280, 112);
    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("serverAddress"));
    address_->setFixedWidth(280);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("serverNote"));
    note_->setTextFormat(Qt::PlainText); // it may quote what the user typed
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note_->setFixedSize(280, 42); // three lines of the interface font

    use_ = makeButton(this, "useServerButton", UiText::ServerUseButton);
    remove_ = makeButton(this, "removeServerButton", UiText::ServerRemoveButton);
    add_ = makeButton(this, "addServerButton", UiText::ServerAddButton);
    change_ = makeButton(this, "changeServerButton", UiText::ServerChangeButton);
    close_ = makeButton(this, "closeButton", UiText::CloseItem);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(6);
    grid->addWidget(list_, 0, 0, 3, 1);
    grid->addWidget(use_, 0, 1);
    grid->addWidget(remove_, 1, 1);
    grid->setRowStretch(2, 1);
    grid->addWidget(address_, 3, 0);
    grid->addWidget(add_, 3, 1);
    grid->addWidget(note_, 4, 0, 2, 1);
    grid->addWidget(change_, 4, 1, Qt::AlignTop);
    grid->addWidget(close_, 5, 1, Qt::AlignBottom);

    ServerCheck* serverCheck = &controller_.serverCheck();
    connect(serverCheck, &ServerCheck::finished, this, &ServerDialog::checked);
    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        address_->setText(selectedServer());
        applyState();
    });
    connect(add_, &QPushButton::clicked, this, [this] { check(false); });
    // Only there: Return on a server in the list chooses it.
    connect(address_, &QLineEdit::returnPressed, this, [this] { check(false); });
    connect(change_, &QPushButton::clicked, this, [this] { check(true); });
    connect(remove_, &QPushButton::clicked, this, &ServerDialog::removeSelected);
    connect(use_, &QPushButton::clicked, this, &ServerDialog::useSelected);
    connect(list_, &QListWidget::itemActivated, this, &ServerDialog::useSelected);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&controller_, &SkinController::taskChanged, this, &ServerDialog::applyState);
}

void ServerDialog::applyCaptions()
{
    const LanguageManager& language = controller_.language();
    setWindowTitle(language.text(UiText::ServerItem));
    use_->setText(language.text(UiText::ServerUseButton));
    remove_->setText(language.text(UiText::ServerRemoveButton));
    add_->setText(language.text(UiText::ServerAddButton));
    change_->setText(language.text(UiText::ServerChangeButton));
    close_->setText(language.text(UiText::CloseItem));
}

void ServerDialog::showEvent(QShowEvent* event)
{
    // The list may have been edited in the settings file since the last time.
    listServers(controller_.servers().inUse());
    showNote(QString());
    address_->setFocus();
    QDialog::showEvent(event);
}

void ServerDialog::done(int result)
{
    controller_.serverCheck().cancel();
    replacing_.clear();
    QDialog::done(result);
}

void ServerDialog::listServers(const QString& selected)
{
    const ServerList& servers = controller_.servers();
    const QString inUse = servers.inUse();
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const QString& url : servers.servers()) {
        auto* item = new QListWidgetItem(url, list_);
        if (url == inUse) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        if (url == selected)
            list_->setCurrentItem(item);
    }
    address_->setText(selectedServer());
    applyState();
}

QString ServerDialog::selectedServer() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->text() : QString();
}

void ServerDialog::applyState()
{
    const QString selected = selectedServer();
    const ServerList& servers = controller_.servers();
    const bool editable = !selected.isEmpty() && !servers.isFixed(selected);
    change_->setEnabled(editable);
    remove_->setEnabled(editable);
    use_->setEnabled(!selected.isEmpty() && selected != servers.inUse() &&
                     ServerList::isServerUrl(selected) &&
                     responseTo(UserInput::ChooseServer, controller_.task()) != Response::Greyed);
}

void ServerDialog::check(bool replace)
{
    replacing_ = replace ? selectedServer() : QString();
    if (replace && replacing_.isEmpty())
        return;
    // An address of the wrong form is answered at once.
    ServerCheck& serverCheck = controller_.serverCheck();
    serverCheck.start(address_->text().trimmed());
    if (serverCheck.running())
        showNote(controller_.language().text(UiText::ServerChecking));
}

void ServerDialog::checked(const QString& url, ServerCheck::Outcome outcome)
{
    const LanguageManager& language = controller_.language();
    switch (outcome) {
    case ServerCheck::Outcome::WrongForm:
        return showNote(language.text(UiText::ServerWrongForm));
    case ServerCheck::Outcome::NoCategoryList:
        return showNote(language.text(UiText::ServerNoList));
    case ServerCheck::Outcome::Answered:
        break;
    }
    try {
        ServerList& servers = controller_.servers();
        if (replacing_.isEmpty())
            servers.add(url);
        else
            servers.replace(replacing_, url);
        showNote(QString());
    } catch (const AppError& error) {
        showNote(controller_.report().errorLine(error));
    }
    listServers(url);
}

void ServerDialog::removeSelected()
{
    const int row = list_->currentRow();
    try {
        controller_.servers().remove(selectedServer());
        showNote(QString());
    } catch (const AppError& error) {
        showNote(controller_.report().errorLine(error));
    }
    listServers(QString());
    list_->setCurrentRow(std::min(row, list_->count() - 1));
}

void ServerDialog::useSelected()
{
    if (!use_->isEnabled())
        return;
    controller_.useServer(selectedServer());
    accept();
}

void ServerDialog::showNote(const QString& text)
{
    note_->setText(text);
    if (!text.isEmpty())
        qCInfo(statusLog, "server dialog: %s", qUtf8Printable(text));
}
