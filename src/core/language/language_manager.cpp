#include "core/language/language_manager.h"

#include "core/app_error.h"
#include "core/command_line.h"
#include "core/language/language_file.h"
#include "core/language/qt_translations.h"
#include "core/services/dialog_service.h"
#include "core/settings.h"
#include "core/status_report.h"

#include <QDir>
#include <algorithm>

LanguageManager::LanguageManager(LanguageTable& table, Settings& settings, DialogService& dialogs,
                                 StatusReport& report, QStringList folders)
    : settings_(settings), dialogs_(dialogs), report_(report), folders_(std::move(folders)),
      table_(table)
{
}

QStringList LanguageManager::languageFiles() const
{
    // Ordinary, visible files only, matched without regard to case, as a file list box does.
    // Matched by hand: a name filter would compile a regular expression, which costs more at
    // start-up than the listing itself.
    QStringList names;
    for (const QString& folder : folders_) {
        const QStringList here = QDir(folder).entryList(QDir::Files);
        for (const QString& name : here) {
            if (name.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive) && !names.contains(name))
                names << name;
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString LanguageManager::pathOf(const QString& fileName) const
{
    for (const QString& folder : folders_) {
        const QString path = folder + QLatin1Char('/') + fileName;
        if (isOrdinaryFile(path))
            return path;
    }
    return folders_.value(0) + QLatin1Char('/') + fileName;
}

void LanguageManager::loadStored()
{
    const QString language = settings_.language();
    if (!language.isEmpty())
        load(pathOf(language));
    else
        loadDefault();
}

void LanguageManager::loadDefault()
{
    useQtTranslations(QLocale(QLocale::Dutch, QLocale::Netherlands));
    for (int id = int(UiText::SkinInstalled); id <= int(UiText::SkinDownloaded); ++id)
        table_.setText(UiText(id), LanguageTable::defaultText(UiText(id)));
    report_.setStatus(table_.text(UiText::Loaded));
}

void LanguageManager::forgetLanguage()
{
    // Runs at start-up too, outside any command, so a store that fails is reported here.
    try {
        settings_.setLanguage(QString());
    } catch (const AppError& error) {
        report_.showError(error);
    }
}

void LanguageManager::load(const QString& path)
{
    if (!isOrdinaryFile(path)) {
        loadDefault();
        forgetLanguage();
        dialogs_.message(
            QStringLiteral("Language file is missing. The default language will be loaded."),
            QStringLiteral("Error"), MessageIcon::Information);
        return;
    }
    const LanguageFileContent file = readLanguageFile(path);
    // Messages read before a failure stay in force until the next start. The captions stay
    // those in force: the dialogs take theirs from the table when they are first built.
    for (int i = 0; i < file.lines.size(); ++i) {
        const auto id = UiText(i + 1);
        if (file.complete() || (id >= UiText::SkinInstalled && id <= UiText::SkinDownloaded))
            table_.setText(id, file.lines.at(i));
    }
    // A file written before the newer windows existed shows their captions in English.
    if (file.complete()) {
        for (int line = int(file.lines.size()) + 1; line <= LanguageTable::entryCount(); ++line)
            table_.setText(UiText(line), LanguageTable::englishText(UiText(line)));
    }
    if (!file.complete()) {
        forgetLanguage();
        dialogs_.message(QStringLiteral("Error in language file, cannot read input. "
                                        "Restart this program to load the default "
                                        "language."),
                         QStringLiteral("Error"), MessageIcon::Critical);
        return;
    }
    const QLocale locale = localeOfLanguageFile(path);
    dutchCaptions_ = locale.language() == QLocale::Dutch;
    Q_EMIT captionsChanged();
    useQtTranslations(locale);
}

std::optional<AppError> LanguageManager::confirmChoice(const QString& fileName, bool firstStart)
{
    std::optional<AppError> notStored;
    try {
        settings_.setLanguageChosen();
        settings_.setLanguage(fileName);
    } catch (const AppError& error) {
        notStored = error;
    }
    if (!fileName.isEmpty()) {
        load(pathOf(fileName));
    } else {
        dialogs_.message(
            QStringLiteral("No language file selected, the default language (Dutch), will be "
                           "loaded.\r\nIt will take a effect when the program will be restarted."),
            QStringLiteral("Language"), MessageIcon::Information);
    }
    if (!(firstStart && report_.failureShown()))
        report_.setStatus(QString());
    return notStored;
}
