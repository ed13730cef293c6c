#include "core/language/qt_translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

QLocale localeOfLanguageFile(const QString& fileName)
{
    const QString name = QFileInfo(fileName).completeBaseName().trimmed();
    if (name.isEmpty())
        return QLocale::c();
    // A code such as "de" or "pt_BR".
    const QLocale byCode(name);
    if (byCode.language() != QLocale::C && byCode.name().startsWith(name.left(2).toLower()))
        return byCode;
    // A name in English ("German") or in the language itself ("Deutsch").
    for (int i = QLocale::AnyLanguage + 1; i <= QLocale::LastLanguage; ++i) {
        const auto language = static_cast<QLocale::Language>(i);
        const QLocale locale(language);
        if (locale.language() != language)
            continue;
        if (name.compare(QLocale::languageToString(language), Qt::CaseInsensitive) == 0 ||
            name.compare(locale.nativeLanguageName(), Qt::CaseInsensitive) == 0)
            return locale;
    }
    return QLocale::c();
}

void useQtTranslations(const QLocale& locale)
{
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (locale.language() == QLocale::C)
        return;
    auto* translator = new QTranslator;
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        installed = translator;
    } else {
        delete translator;
    }
}
