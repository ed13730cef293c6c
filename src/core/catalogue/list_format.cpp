#include "core/catalogue/list_format.h"

#include "core/app_error.h"
#include "core/windows1252.h"

namespace listformat {

QString decodeList(const QByteArray& bytes)
{
    return fromWindows1252(bytes);
}

QByteArray encodeList(const QStringList& names)
{
    return toWindows1252(names.join(QLatin1Char('*')));
}

QStringList splitList(const QString& text)
{
    if (text.isEmpty())
        return {};
    // Counted before splitting, so an oversized list costs no allocation of its pieces.
    if (text.count(QLatin1Char('*')) >= MaxNames)
        throw AppError::overflow();
    QStringList names = text.split(QLatin1Char('*'), Qt::KeepEmptyParts);
    for (const QString& name : std::as_const(names)) {
        if (name.size() > MaxNameBytes)
            throw AppError::unsafeName(name);
    }
    return names;
}

bool isNotFoundMarker(const QString& text)
{
    return text == QLatin1String("notfound");
}

bool isSafeCategoryName(const QString& name)
{
    if (name == QLatin1String(".") || name == QLatin1String("..") || name.size() > MaxNameBytes)
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

void requireSafeCategoryName(const QString& name)
{
    if (!isSafeCategoryName(name))
        throw AppError::unsafeName(name);
}

} // namespace listformat
