#pragma once

#include "core/language/ui_text.h"

#include <QString>
#include <array>

// The 26 texts of the language in use. The status messages stay empty until a language is
// loaded; the captions are only read when a language file is applied.
class LanguageTable {
public:
    static constexpr int EntryCount = 26;

    const QString& text(UiText id) const;
    void setText(UiText id, const QString& text);

    // The built-in Dutch text.
    static QString defaultText(UiText id);
    static QString fixedText(FixedText id, bool dutch);

private:
    std::array<QString, EntryCount> entries_;
};
