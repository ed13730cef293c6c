#pragma once

#include <QString>

class QWidget;

enum class MessageIcon { Information, Critical };

// Modal message boxes and the open-file dialog; tests answer them instead of blocking.
class DialogService {
public:
    virtual ~DialogService() = default;
    virtual void message(QWidget* owner, const QString& text, const QString& title,
                         MessageIcon icon) = 0;
    // Filter in the classic "Description|pattern;pattern" form. Empty text when cancelled.
    virtual QString openFile(QWidget* owner, const QString& filter) = 0;
};
