#include "gui/interface_look.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QImageReader>
#include <QStringList>

namespace {
const QString ClassicFamily = QStringLiteral("MS Sans Serif");
}

void useInterfaceFont()
{
    // Liberation Sans and Arimo share Arial's widths, which match the classic dialog font's at
    // this size; the condensed DejaVu is the narrowest family a bare system is sure to have.
    const QStringList standIns = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                  QStringLiteral("Arial"), QStringLiteral("DejaVu Sans Condensed")};
    QStringList present;
    for (const QString& family : standIns) {
        if (QFontDatabase::hasFamily(family))
            present << family;
    }
    QFont::insertSubstitutions(ClassicFamily, present);
    QFont font(ClassicFamily);
    font.setPointSize(8);
    QApplication::setFont(font);
}

QImage builtInPng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QString visibleOnOneLine(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\r':
            shown += QStringLiteral("\\r");
            break;
        case '\n':
            shown += QStringLiteral("\\n");
            break;
        case '\t':
            shown += QStringLiteral("\\t");
            break;
        default:
            if (c.category() == QChar::Other_Control)
                shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else if (c.category() == QChar::Separator_Line ||
                     c.category() == QChar::Separator_Paragraph)
                shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                shown += c;
        }
    }
    return shown;
}
