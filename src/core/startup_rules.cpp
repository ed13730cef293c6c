#include "core/startup_rules.h"

#include "core/app_error.h"

#include <QLocale>
#include <cmath>

qint16 toInteger16(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        throw AppError::typeMismatch();
    const double rounded = std::nearbyint(value); // default rounding mode: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        throw AppError::overflow();
    return static_cast<qint16>(rounded);
}

bool decideUseCache(bool skinFromCommandLine, int updateAtStart)
{
    return !(!skinFromCommandLine && updateAtStart == 1);
}
