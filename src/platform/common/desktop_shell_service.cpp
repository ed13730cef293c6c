#include "platform/common/desktop_shell_service.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopShellService::open(const QString& target)
{
    const QUrl url = QUrl::fromUserInput(target);
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}
