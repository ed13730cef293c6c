#include "gui/qt_dialog_service.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

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
