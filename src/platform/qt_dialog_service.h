#pragma once

#include "platform/dialog_service.h"

// Qt's own message boxes and file dialog.
class QtDialogService : public DialogService {
public:
    void message(QWidget* owner, const QString& text, const QString& title,
                 MessageIcon icon) override;
    QString openFile(QWidget* owner, const QString& filter) override;

    // "GIF-files (*.gif)|*.gif;" -> "GIF-files (*.gif)": Qt reads the patterns from the
    // parentheses, and the classic form's pattern part after "|" would only confuse it.
    static QString toQtFilter(const QString& classicFilter);
};
