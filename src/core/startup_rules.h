#pragma once

#include <QString>

// A stored number as a 16-bit integer: blanks around it are allowed, a fraction rounds half to
// even. Throws AppError 13 for text that is no number and 6 for one outside -32768..32767.
qint16 toInteger16(const QString& text);

// Whether the loading pass works from the cached lists: only a plain start with the
// update-at-start box checked downloads them.
bool decideUseCache(bool skinFromCommandLine, int updateAtStart);
