#include "core/language/language_table.h"

#include "core/maker_site.h"

#include <iterator>
#include <stdexcept>

namespace {

struct ExtraText {
    UiText id;
    const char16_t* dutch;
    const char16_t* english;
};

// Line 27 on, in the order of the lines.
constexpr ExtraText extraTexts[] = {
    {UiText::GalleryItem, u"Galerij", u"Gallery"},
    {UiText::HistoryItem, u"Geschiedenis", u"History"},
    {UiText::ServerItem, u"Skinserver kiezen", u"Choose skin server"},
    // The gallery.
    {UiText::GalleryFind, u"Zoek op naam", u"Find by name"},
    {UiText::GalleryInstalled, u"Nu ge\u00efnstalleerd", u"Installed now"},
    // The history.
    {UiText::RestoreButton, u"Terugzetten", u"Restore"},
    {UiText::DeleteButton, u"Verwijderen", u"Delete"},
    {UiText::DeleteQuestion, u"Deze reservekopie verwijderen?", u"Delete this backup?"},
    // The server dialog.
    {UiText::ServerUseButton, u"&Gebruiken", u"&Use"},
    {UiText::ServerRemoveButton, u"&Verwijderen", u"&Remove"},
    {UiText::ServerAddButton, u"&Toevoegen", u"&Add"},
    {UiText::ServerChangeButton, u"&Wijzigen", u"&Change"},
    {UiText::ServerChecking, u"Bezig met controleren...", u"Checking..."},
    {UiText::ServerWrongForm,
     u"Ongeldig adres: gebruik http:// of https://, een hostnaam en een / aan het eind, zonder "
     u"spaties.",
     u"Invalid address: use http:// or https://, a host name and a / at the end, without "
     u"blanks."},
    {UiText::ServerNoList, u"Geen skinlijst gevonden op dit adres.",
     u"No skin list found at this address."},
};

const ExtraText& extraText(UiText id)
{
    const auto at = static_cast<size_t>(id) - 1 - LanguageTable::ClassicCount;
    if (at >= std::size(extraTexts) || extraTexts[at].id != id)
        throw std::out_of_range("language text");
    return extraTexts[at];
}

} // namespace

int LanguageTable::entryCount()
{
    return ClassicCount + int(std::size(extraTexts));
}

LanguageTable::LanguageTable() : entries_(static_cast<size_t>(entryCount()))
{
    for (const ExtraText& extra : extraTexts)
        setText(extra.id, QString::fromUtf16(extra.dutch));
}

const QString& LanguageTable::text(UiText id) const
{
    return entries_.at(static_cast<size_t>(id) - 1);
}

void LanguageTable::setText(UiText id, const QString& text)
{
    entries_.at(static_cast<size_t>(id) - 1) = text;
}

QString LanguageTable::defaultText(UiText id)
{
    switch (id) {
    case UiText::InstallButton:
        return QStringLiteral("&Zet als skin");
    case UiText::SkinInstalled:
        return QStringLiteral("Skin succesvol als achtergrond geplaatst!");
    case UiText::BackgroundRemoved:
        return QStringLiteral("Achtergrond succesvol verwijderd!");
    case UiText::ErrorPrefix:
        return QStringLiteral("Fout opgetreden: ");
    case UiText::ListDownloaded:
        return QStringLiteral("Skinlijst succesvol gedownload!");
    case UiText::ListMissing:
        return QStringLiteral("Skinlijst ontbreekt. Update de skinlijst!");
    case UiText::Preparing:
        return QStringLiteral("Bezig met voorbereiden...");
    case UiText::Loaded:
        return QStringLiteral("Geladen");
    case UiText::DownloadFailed:
        return QStringLiteral("Fout bij het downloaden!");
    case UiText::SkinDownloaded:
        return QStringLiteral("Skin succesvol gedownload!");
    case UiText::FileMenu:
        return QStringLiteral("&Bestand");
    case UiText::RefreshItem:
        return QStringLiteral("Update Skin-Lijst");
    case UiText::CloseItem:
        return QStringLiteral("Sluiten");
    case UiText::OptionsMenu:
        return QStringLiteral("&Opties");
    case UiText::InstallItem:
        return QStringLiteral("Zet als skin");
    case UiText::RemoveItem:
        return QStringLiteral("Skin weghalen");
    case UiText::PickFileItem:
        return QStringLiteral("Skin handmatig instellen");
    case UiText::SettingsItem:
        return QStringLiteral("Instellingen");
    case UiText::LanguageItem:
        return QStringLiteral("Taal modules installeren");
    case UiText::ExpandAllItem:
        return QStringLiteral("Alles uitklappen");
    case UiText::CollapseAllItem:
        return QStringLiteral("Alles inklappen");
    case UiText::HelpMenu:
        return QStringLiteral("&Help");
    case UiText::VisitItem:
        return QStringLiteral("Bezoek ") + makerSiteName();
    case UiText::AboutVersions:
        return QStringLiteral("Gemaakt voor Windows/MSN Messenger 4.x, 5.x, 6.x, 7.x");
    case UiText::AboutThanks:
        return QStringLiteral("De volgende mensen die op een \u00e9\u00e9n of andere manier "
                              "betrokken zijn geweest bij de productie van dit programma willen "
                              "we bedanken:");
    case UiText::UpdateAtStartBox:
        return QStringLiteral("Bij opstarten, de skin-lijst updaten (aanbevolen)");
    default:
        return QString::fromUtf16(extraText(id).dutch);
    }
}

QString LanguageTable::englishText(UiText id)
{
    return QString::fromUtf16(extraText(id).english);
}

QString LanguageTable::fixedText(FixedText id, bool dutch)
{
    switch (id) {
    case FixedText::PlaceholderCaption:
        return dutch ? QStringLiteral("Kies een skin in de lijst")
                     : QStringLiteral("Choose a skin in the list");
    case FixedText::PictureFilter:
        return dutch ? QStringLiteral("GIF-files (*.gif)|*.gif;")
                     : QStringLiteral("GIF files (*.gif)|*.gif;");
    }
    throw std::out_of_range("fixed text");
}
