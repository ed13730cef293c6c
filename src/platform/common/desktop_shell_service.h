#pragma once

#include "core/services/shell_service.h"

// Opens URLs with the desktop's default handler (the browser for web addresses).
class DesktopShellService : public ShellService {
public:
    bool open(const QString& target) override;
};
