#pragma once

#include <QString>

// Every window was laid out for the narrow 8-point "MS Sans Serif" of the classic Windows
// dialogs. Asks for that name everywhere and lets it resolve to a family with the same widths,
// so that no caption runs out of the control drawn for it. Call once, before any window exists.
void useInterfaceFont();

// Text from outside (a server's list, a language file) shown on one line as the characters it
// holds: line breaks and other control characters appear as C-style escapes ("\r", "\n", "\t",
// "\x1b") instead of breaking the line or vanishing.
QString visibleOnOneLine(const QString& text);
