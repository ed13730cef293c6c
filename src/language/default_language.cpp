#include "app/form1.h"
#include "language/qt_translations.h"

void Form1::LoadDefaultLanguage()
{
    // Qt's own dialogs speak the built-in language too.
    useQtTranslations(QLocale(QLocale::Dutch, QLocale::Netherlands));
    for (int line = LanguageTable::SkinInstalled; line <= LanguageTable::SkinDownloaded; ++line) {
        lang.setEntry(line, LanguageTable::defaultText(line));
        if (line == LanguageTable::Loaded) {
            // Touching the status bar is what loads a new window. When that load fails, its
            // error line must stay in sight rather than be covered by "loaded".
            const bool loadsNow = !isLoaded();
            ensureLoaded();
            if (!(loadsNow && loadFailed()))
                setStatus(lang.MsgLoaded());
        }
    }
}
