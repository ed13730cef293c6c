#pragma once

#include <QString>

// The addresses on the skin server. A base URL written with backslashes, as Windows users type
// paths, counts as written with slashes.

// A list file: base URL, the list's name, ".txt".
QString listUrl(const QString& baseUrl, const QString& listName);
// The picture of a skin: base URL, the category's name with every blank removed, "/", the skin's
// name unchanged, ".gif".
QString skinPictureUrl(const QString& baseUrl, const QString& categoryName,
                       const QString& skinName);
