#include "app/form1.h"

void Form1::LoadDefaultLanguage()
{
    for (int line = LanguageTable::SkinInstalled; line <= LanguageTable::SkinDownloaded; ++line) {
        lang.setEntry(line, LanguageTable::defaultText(line));
        if (line == LanguageTable::Loaded)
            setStatus(lang.MsgLoaded());
    }
}
