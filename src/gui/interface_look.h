#pragma once

#include <QImage>
#include <QString>

// Every window was laid out for the narrow 8-point "MS Sans Serif" of the classic Windows
// dialogs. Asks for that name everywhere and lets it resolve to a family with the same widths,
// so that no caption runs out of the control drawn for it. Call once, before any window exists.
void useInterfaceFont();

// Text from outside (a server's list, a language file) shown on one line as the characters it
// holds: line breaks and other control characters appear as C-style escapes ("\r", "\n", "\t",
// "\x1b") instead of breaking the line or vanishing.
QString visibleOnOneLine(const QString& text);

// One of the program's own PNG pictures (":/drapello/..."), read by Qt's built-in PNG reader.
// Left to guess, or even told "PNG", QImageReader first asks every image plug-in whether it
// reads the file, and so loads them all (and the JPEG library) at start-up.
QImage builtInPng(const QString& path);
