#include "gui/qt_dialog_service.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QStringList>
#include <QTreeView>
#include <QUrl>

namespace {
// Copies of old backgrounds are named by date, time and Messenger folder; cut short, they all
// look alike.
constexpr int FileDialogWidth = 760;
constexpr int FileDialogHeight = 440;
} // namespace

void QtDialogService::message(const QString& text, const QString& title, MessageIcon icon)
{
    auto* box = new QMessageBox(icon == MessageIcon::Critical ? QMessageBox::Critical
                                                              : QMessageBox::Information,
                                title, text, QMessageBox::Ok, owner_());
    box->setTextFormat(Qt::PlainText); // may name a file the user chose
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void QtDialogService::openFile(const QString& filter, QObject* receiver, Chosen chosen)
{
    auto* dialog = new QFileDialog(owner_(), QString(), QString(), toQtFilter(filter));
    dialog->setFileMode(QFileDialog::ExistingFile);
    QList<QUrl> places = dialog->sidebarUrls();
    for (const QString& folder : sidebarFolders_) {
        const QUrl place = QUrl::fromLocalFile(QDir::cleanPath(folder));
        if (QFileInfo(folder).isDir() && !places.contains(place))
            places << place;
    }
    dialog->setSidebarUrls(places);
    // Whole names in one column: the list view would cut long names short.
    dialog->setViewMode(QFileDialog::Detail);
    dialog->resize(dialog->sizeHint().expandedTo(QSize(FileDialogWidth, FileDialogHeight)));
    if (auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView")))
        files->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    // Through receiver: once it is gone, the choice goes nowhere.
    QObject::connect(
        dialog, &QDialog::finished, receiver, [dialog, chosen = std::move(chosen)](int result) {
            const QStringList files = dialog->selectedFiles();
            chosen(result == QDialog::Accepted && !files.isEmpty() ? files.first() : QString());
        });
    dialog->open();
}

void QtDialogService::ask(const QString& question, const QString& title, QObject* receiver,
                          Answered answered)
{
    // Over the window the user asked from, the history for one, not always the main window.
    QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : owner_();
    auto* box = new QMessageBox(QMessageBox::Question, title, question,
                                QMessageBox::Yes | QMessageBox::No, over);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, receiver,
                     [box, answered = std::move(answered)](int) {
                         answered(box->clickedButton() == box->button(QMessageBox::Yes));
                     });
    box->show();
}

QString QtDialogService::toQtFilter(const QString& classicFilter)
{
    // Pairs of description|pattern; keep the descriptions, which carry the patterns in
    // parentheses, or build one when a description has none.
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        if (description.isEmpty())
            continue;
        if (description.contains(QLatin1Char('(')) || i + 1 >= parts.size()) {
            filters << description;
        } else {
            QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                           QLatin1Char(')');
        }
    }
    return filters.join(QStringLiteral(";;"));
}
