#pragma once

#include <QLocale>
#include <QString>

// The language a language file's name says ("english.lng", "Nederlands.lng", "de.lng"), or the
// C locale when the name names none.
QLocale localeOfLanguageFile(const QString& fileName);

// Qt's own texts (file dialog, message-box buttons) in the given language when Qt ships them,
// else Qt's built-in English. Replaces the translation installed before.
void useQtTranslations(const QLocale& locale);
