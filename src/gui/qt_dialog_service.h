#pragma once

#include "core/services/dialog_service.h"

#include <QStringList>
#include <functional>

class QWidget;

// Qt's own message boxes and file dialog, over the window the user works in. They keep the
// rest of the program's windows from input while they show, but wait for nothing.
class QtDialogService : public DialogService {
public:
    explicit QtDialogService(std::function<QWidget*()> owner) : owner_(std::move(owner)) {}

    void message(const QString& text, const QString& title, MessageIcon icon) override;
    void openFile(const QString& filter, QObject* receiver, Chosen chosen) override;
    void ask(const QString& question, const QString& title, QObject* receiver,
             Answered answered) override;
    // Folders the file dialog offers in its side bar, besides Qt's own, once they exist.
    void setSidebarFolders(QStringList folders) { sidebarFolders_ = std::move(folders); }

    // "GIF-files (*.gif)|*.gif;" -> "GIF-files (*.gif)": Qt reads the patterns from the
    // parentheses, and the classic form's pattern part after "|" would only confuse it.
    static QString toQtFilter(const QString& classicFilter);

private:
    std::function<QWidget*()> owner_;
    QStringList sidebarFolders_;
};
