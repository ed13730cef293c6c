#pragma once

#include <QString>

// The maker's web site, opened from the About dialog's link and the Help menu.
inline QString makerSiteUrl()
{
    return QStringLiteral("http://www.korvane.nl/");
}
inline QString makerSiteName()
{
    return QStringLiteral("www.korvane.nl");
}
