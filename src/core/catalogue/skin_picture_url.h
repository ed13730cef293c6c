#pragma once

#include <QString>

// The picture of a skin: base URL, the category node's text with every blank removed, "\", the
// skin node's text unchanged, ".gif". The fetcher sends the backslash as "/".
QString skinPictureUrl(const QString& baseUrl, const QString& categoryText,
                       const QString& skinText);
