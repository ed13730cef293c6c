#pragma once

#include "core/language/language_table.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class AppError;
class DialogService;
class Settings;
class StatusReport;

// The language in use: the built-in Dutch texts or those of a .lng file in one of the language
// folders.
class LanguageManager : public QObject {
    Q_OBJECT
public:
    LanguageManager(LanguageTable& table, Settings& settings, DialogService& dialogs,
                    StatusReport& report, QStringList folders);

    const LanguageTable& table() const { return table_; }
    QString text(UiText id) const { return table_.text(id); }
    QString text(FixedText id) const { return LanguageTable::fixedText(id, dutchCaptions_); }

    // The language files of all folders, each name once, as a file list shows them.
    QStringList languageFiles() const;
    // The file of that name in the first folder that has it; in the first folder when none has.
    QString pathOf(const QString& fileName) const;
    // The stored language, or the built-in one when none is stored.
    void loadStored();
    // The built-in messages, and Qt's own dialogs in Dutch.
    void loadDefault();
    // A language file. A missing one brings the built-in messages back, a short one leaves the
    // messages it had and changes no caption; either way the next start uses the built-in
    // language and a message says so.
    void load(const QString& path);
    // The user confirmed `fileName` (empty: none) in the chooser: stored and loaded, and the
    // status text emptied. At the first start (`firstStart`) the main window was not seen yet:
    // a failure that its start reported stays in the status bar, the only sign of it. A choice
    // that cannot be stored still takes effect for this run; the failure is returned, for the
    // caller to report once the main window is up.
    std::optional<AppError> confirmChoice(const QString& fileName, bool firstStart);

Q_SIGNALS:
    // A language file's captions are in the table: windows put them on their controls.
    void captionsChanged();

private:
    void forgetLanguage();

    Settings& settings_;
    DialogService& dialogs_;
    StatusReport& report_;
    QStringList folders_;
    LanguageTable& table_;
    bool dutchCaptions_ = true;
};
