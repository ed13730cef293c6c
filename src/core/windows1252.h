#pragma once

#include <QByteArray>
#include <QString>

// Lists and language files are 8-bit Windows-1252 text. Qt has no converter for it of its own
// (without ICU), so the table lives here.
QString fromWindows1252(const QByteArray& bytes);
// Characters outside Windows-1252 become '?'.
QByteArray toWindows1252(const QString& text);
// True when every character of text has a Windows-1252 byte.
bool isWindows1252(const QString& text);
