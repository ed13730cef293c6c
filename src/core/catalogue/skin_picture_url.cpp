#include "core/catalogue/skin_picture_url.h"

QString skinPictureUrl(const QString& baseUrl, const QString& categoryText, const QString& skinText)
{
    QString folder = categoryText;
    folder.remove(QLatin1Char(' '));
    return baseUrl + folder + QLatin1Char('\\') + skinText + QStringLiteral(".gif");
}
