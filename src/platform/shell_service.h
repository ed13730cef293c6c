#pragma once

#include <QString>

class QWidget;

// Hands a URL (or anything the desktop can open) to the user's desktop.
class ShellService {
public:
    virtual ~ShellService() = default;
    virtual bool open(QWidget* owner, const QString& target) = 0;
};
