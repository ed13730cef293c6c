#pragma once

#include <QString>

// Finds one top-level window of a window class and asks it to close, waiting (bounded) until it
// has handled the request.
class WindowService {
public:
    virtual ~WindowService() = default;
    // true when a window of the class was found and sent the close message.
    virtual bool closeWindowOfClass(const QString& windowClass) = 0;
};
