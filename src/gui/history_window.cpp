#include "gui/history_window.h"

#include "core/app_error.h"
#include "core/skin_controller.h"
#include "gui/interface_look.h"
#include "gui/work_policy.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

// What the list shows after each refresh, for a bug report or a test watching from outside:
// QT_LOGGING_RULES="drapello.history.info=true".
Q_LOGGING_CATEGORY(historyLog, "drapello.history", QtWarningMsg)

namespace {
// A quarter of a skin's 180 x 240 pixels: enough to tell them apart.
const QSize ThumbnailSize(45, 60);

QPixmap thumbnailOf(const QString& path)
{
    QPixmap thumbnail(ThumbnailSize);
    thumbnail.fill(Qt::transparent);
    QImage picture;
    try {
        picture = PictureDecoder::readFile(path).first;
    } catch (const AppError&) {
        // Not a picture we can show: the row keeps its text and an empty frame.
    }
    QPainter painter(&thumbnail);
    if (!picture.isNull()) {
        const QImage scaled =
            picture.scaled(ThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(QPoint((ThumbnailSize.width() - scaled.width()) / 2,
                                 (ThumbnailSize.height() - scaled.height()) / 2),
                          scaled);
    }
    painter.setPen(Qt::gray);
    painter.drawRect(thumbnail.rect().adjusted(0, 0, -1, -1));
    return thumbnail;
}
} // namespace

HistoryWindow::HistoryWindow(SkinController& controller, QWidget* owner)
    : QDialog(owner), controller_(controller)
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(340, 420);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("historyList"));
    list_->setIconSize(ThumbnailSize);
    list_->setSpacing(2);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);

    restoreButton_ = new QPushButton(this);
    restoreButton_->setObjectName(QStringLiteral("restoreButton"));
    deleteButton_ = new QPushButton(this);
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    // Enter in the list is not meant for either of them.
    restoreButton_->setAutoDefault(false);
    deleteButton_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(restoreButton_);
    buttons->addWidget(deleteButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    applyCaptions();
    connect(list_, &QListWidget::currentRowChanged, this, &HistoryWindow::applyPolicy);
    connect(list_, &QListWidget::itemDoubleClicked, this, &HistoryWindow::restoreChosen);
    connect(restoreButton_, &QPushButton::clicked, this, &HistoryWindow::restoreChosen);
    connect(deleteButton_, &QPushButton::clicked, this, &HistoryWindow::deleteChosen);
    auto* deleteKey =
        new QShortcut(QKeySequence::Delete, list_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &HistoryWindow::deleteChosen);
    connect(&controller_, &SkinController::taskChanged, this, &HistoryWindow::applyPolicy);
    connect(&controller_, &SkinController::backgroundsChanged, this, [this] {
        if (isVisible())
            refresh();
    });
}

void HistoryWindow::applyCaptions()
{
    const LanguageManager& language = controller_.language();
    setWindowTitle(language.text(UiText::HistoryItem));
    restoreButton_->setText(language.text(UiText::RestoreButton));
    deleteButton_->setText(language.text(UiText::DeleteButton));
    if (isVisible())
        refresh();
}

void HistoryWindow::showHistory()
{
    refresh();
    show();
    raise();
    activateWindow();
}

void HistoryWindow::refresh()
{
    const QString current = chosen() ? chosen()->path : QString();
    entries_ = controller_.backgrounds();
    list_->clear();
    QStringList logged;
    // The entry chosen before, else the newest copy: the one most likely to be wanted back.
    int row = -1;
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const BackgroundEntry& entry = entries_.at(i);
        const QString text = describe(entry);
        list_->addItem(new QListWidgetItem(QIcon(thumbnailOf(entry.path)), text));
        logged << QString(text).replace(QLatin1Char('\n'), QStringLiteral(", "));
        if (entry.path == current || (row < 0 && !entry.installed))
            row = int(i);
    }
    list_->setCurrentRow(entries_.isEmpty() ? -1 : qMax(row, 0));
    qCInfo(historyLog, "history: %s", qUtf8Printable(logged.join(QStringLiteral(" | "))));
    applyPolicy();
}

QString HistoryWindow::describe(const BackgroundEntry& entry) const
{
    const QString when = entry.when.toString(QStringLiteral("yyyy-MM-dd  HH:mm:ss"));
    const QString folder =
        entry.messengerFolder.isEmpty() ? QFileInfo(entry.path).fileName() : entry.messengerFolder;
    if (!entry.installed)
        return when + QLatin1Char('\n') + visibleOnOneLine(folder);
    QString first = controller_.language().text(UiText::GalleryInstalled);
    if (const auto skin = controller_.settings().installedSkin())
        first += QStringLiteral(": ") +
                 visibleOnOneLine(skin->category + QStringLiteral(" / ") + skin->name);
    return first + QLatin1Char('\n') + visibleOnOneLine(folder) + QLatin1Char('\n') + when;
}

const BackgroundEntry* HistoryWindow::chosen() const
{
    const int row = list_->currentRow();
    return row >= 0 && row < entries_.size() ? &entries_.at(row) : nullptr;
}

void HistoryWindow::applyPolicy()
{
    const SkinController::Task task = controller_.task();
    auto allowed = [task](UserInput input) { return responseTo(input, task) != Response::Greyed; };
    const BackgroundEntry* entry = chosen();
    restoreButton_->setEnabled(entry && !entry->installed && allowed(UserInput::Restore));
    deleteButton_->setEnabled(entry && entry->ours && allowed(UserInput::DeleteBackup));
}

void HistoryWindow::restoreChosen()
{
    if (restoreButton_->isEnabled())
        controller_.restoreBackground(chosen()->path);
}

void HistoryWindow::deleteChosen()
{
    if (deleteButton_->isEnabled())
        controller_.deleteBackground(chosen()->path);
}
