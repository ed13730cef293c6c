#pragma once

#include "core/language/ui_text.h"

#include <QString>
#include <vector>

// The texts of the language in use. The status messages stay empty until a language is loaded;
// the first 26 captions are only read when a language file is applied. The captions added since
// are in force from the start: Dutch, until a language file brings its own or English ones.
class LanguageTable {
public:
    // The lines every language file has; those after them are optional.
    static constexpr int ClassicCount = 26;
    // All the texts, and so the most lines a language file is read for.
    static int entryCount();

    LanguageTable();

    const QString& text(UiText id) const;
    void setText(UiText id, const QString& text);

    // The built-in Dutch text.
    static QString defaultText(UiText id);
    // A caption after the first 26 lines in English, for a language file that lacks it.
    static QString englishText(UiText id);
    static QString fixedText(FixedText id, bool dutch);

private:
    std::vector<QString> entries_;
};
