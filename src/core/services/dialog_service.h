#pragma once

#include <QString>
#include <functional>

class QObject;

enum class MessageIcon { Information, Critical };

// Message boxes, yes/no questions and the open-file dialog. The window that owns them is the GUI's
// to choose; tests answer them instead of showing them. Neither waits: the program goes on while
// they show.
class DialogService {
public:
    // The chosen file, or empty text when the dialog was cancelled.
    using Chosen = std::function<void(const QString& path)>;
    // The user's answer: true for yes.
    using Answered = std::function<void(bool yes)>;

    virtual ~DialogService() = default;
    virtual void message(const QString& text, const QString& title, MessageIcon icon) = 0;
    // Filter in the classic "Description|pattern;pattern" form. chosen follows once the dialog
    // has closed, from the event loop, and not at all once receiver is gone.
    virtual void openFile(const QString& filter, QObject* receiver, Chosen chosen) = 0;
    // A question to answer with yes or no; closing it otherwise says no. answered follows as
    // chosen does for openFile.
    virtual void ask(const QString& question, const QString& title, QObject* receiver,
                     Answered answered) = 0;
};
