#pragma once

#include <QString>
#include <functional>

class QObject;

enum class MessageIcon { Information, Critical };

// Message boxes and the open-file dialog. The window that owns them is the GUI's to choose;
// tests answer them instead of showing them. Neither waits: the program goes on while they show.
class DialogService {
public:
    // The chosen file, or empty text when the dialog was cancelled.
    using Chosen = std::function<void(const QString& path)>;

    virtual ~DialogService() = default;
    virtual void message(const QString& text, const QString& title, MessageIcon icon) = 0;
    // Filter in the classic "Description|pattern;pattern" form. chosen follows once the dialog
    // has closed, from the event loop, and not at all once receiver is gone.
    virtual void openFile(const QString& filter, QObject* receiver, Chosen chosen) = 0;
};
