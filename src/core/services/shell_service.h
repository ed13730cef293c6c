#pragma once

#include <QString>

// Hands a URL (or anything the desktop can open) to the user's desktop.
class ShellService {
public:
    virtual ~ShellService() = default;
    virtual bool open(const QString& target) = 0;
};
