#include "core/catalogue/skin_picture_url.h"

namespace {
QString withSlashes(QString baseUrl)
{
    return baseUrl.replace(QLatin1Char('\\'), QLatin1Char('/'));
}
} // namespace

QString listUrl(const QString& baseUrl, const QString& listName)
{
    return withSlashes(baseUrl) + listName + QStringLiteral(".txt");
}

QString skinPictureUrl(const QString& baseUrl, const QString& categoryName, const QString& skinName)
{
    QString folder = categoryName;
    folder.remove(QLatin1Char(' '));
    return withSlashes(baseUrl) + folder + QLatin1Char('/') + skinName + QStringLiteral(".gif");
}
