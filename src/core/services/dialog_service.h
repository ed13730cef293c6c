#pragma once

#include <QString>

enum class MessageIcon { Information, Critical };

// Modal message boxes and the open-file dialog. The window that owns them is the GUI's to
// choose; tests answer them instead of blocking.
class DialogService {
public:
    virtual ~DialogService() = default;
    virtual void message(const QString& text, const QString& title, MessageIcon icon) = 0;
    // Filter in the classic "Description|pattern;pattern" form. Empty text when cancelled.
    virtual QString openFile(const QString& filter) = 0;
};
