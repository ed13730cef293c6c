#include "language/language_table.h"

#include "dialogs/website.h"

#include <stdexcept>

const QString& LanguageTable::entry(int line) const
{
    if (line < 1 || line > EntryCount)
        throw std::out_of_range("language table line");
    return entries_[static_cast<size_t>(line - 1)];
}

void LanguageTable::setEntry(int line, const QString& text)
{
    if (line < 1 || line > EntryCount)
        throw std::out_of_range("language table line");
    entries_[static_cast<size_t>(line - 1)] = text;
}

QString LanguageTable::defaultText(int line)
{
    switch (line) {
    case 1: return QStringLiteral("&Zet als skin");
    case 2: return QStringLiteral("Skin succesvol als achtergrond geplaatst!");
    case 3: return QStringLiteral("Achtergrond succesvol verwijderd!");
    case 4: return QStringLiteral("Fout opgetreden: ");
    case 5: return QStringLiteral("Skinlijst succesvol gedownload!");
    case 6: return QStringLiteral("Skinlijst ontbreekt. Update de skinlijst!");
    case 7: return QStringLiteral("Bezig met voorbereiden...");
    case 8: return QStringLiteral("Geladen");
    case 9: return QStringLiteral("Fout bij het downloaden!");
    case 10: return QStringLiteral("Skin succesvol gedownload!");
    case 11: return QStringLiteral("&Bestand");
    case 12: return QStringLiteral("Update Skin-Lijst");
    case 13: return QStringLiteral("Sluiten");
    case 14: return QStringLiteral("&Opties");
    case 15: return QStringLiteral("Zet als skin");
    case 16: return QStringLiteral("Skin weghalen");
    case 17: return QStringLiteral("Skin handmatig instellen");
    case 18: return QStringLiteral("Instellingen");
    case 19: return QStringLiteral("Taal modules installeren");
    case 20: return QStringLiteral("Alles uitklappen");
    case 21: return QStringLiteral("Alles inklappen");
    case 22: return QStringLiteral("&Help");
    case 23: return QStringLiteral("Bezoek ") + makerSiteName();
    case 24: return QStringLiteral("Gemaakt voor Windows/MSN Messenger 4.x, 5.x, 6.x, 7.x");
    case 25:
        return QStringLiteral("De volgende mensen die op een \u00e9\u00e9n of andere manier "
                              "betrokken zijn geweest bij de productie van dit programma willen "
                              "we bedanken:");
    case 26: return QStringLiteral("Bij opstarten, de skin-lijst updaten (aanbevolen)");
    default: throw std::out_of_range("language table line");
    }
}
