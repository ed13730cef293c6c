#include "catalogue/catalogue_builder.h"

#include "app/windows1252.h"
#include "catalogue/list_format.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <algorithm>

namespace catalogue {

namespace {
const QString GifSuffix = QStringLiteral(".gif");

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString place(const Category& category, const QString& skin)
{
    return quoted(category.name + QLatin1Char('/') + skin + GifSuffix);
}

QString withoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
} // namespace

bool listsBefore(const QString& a, const QString& b)
{
    const QString fa = a.toCaseFolded();
    const QString fb = b.toCaseFolded();
    if (fa != fb)
        return fa < fb;
    return a < b;
}

Catalogue scanSource(const QString& sourceFolder)
{
    Catalogue result;
    const QDir source(sourceFolder);
    const QFileInfoList folders = source.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders) {
        Category category;
        category.name = folder.fileName();
        const QFileInfoList files = QDir(folder.absoluteFilePath()).entryInfoList(QDir::Files);
        for (const QFileInfo& file : files) {
            if (file.fileName().endsWith(GifSuffix, Qt::CaseInsensitive))
                category.skins.push_back(
                    {file.fileName().chopped(GifSuffix.size()), file.absoluteFilePath()});
        }
        std::sort(category.skins.begin(), category.skins.end(),
                  [](const Skin& a, const Skin& b) { return listsBefore(a.name, b.name); });
        result.categories.push_back(category);
    }
    std::sort(result.categories.begin(), result.categories.end(),
              [](const Category& a, const Category& b) { return listsBefore(a.name, b.name); });
    return result;
}

QStringList problemsOf(const Catalogue& catalogue)
{
    QStringList problems;
    auto nameProblems = [&problems](const QString& what, const QString& name,
                                    const QString& where) {
        if (name.contains(QLatin1Char('*')))
            problems << QStringLiteral("%1 %2 holds \"*\", which separates names in a list")
                            .arg(what, where);
        if (!isWindows1252(name))
            problems << QStringLiteral("%1 %2 has a character outside Windows-1252").arg(what, where);
    };

    if (catalogue.categories.size() > size_t(listformat::MaxNames))
        problems << QStringLiteral("%1 categories: a list holds at most %2 names")
                        .arg(catalogue.categories.size())
                        .arg(listformat::MaxNames);

    QHash<QString, QString> firstPlaceOfSkin;
    QHash<QString, QString> categoryOfFolder;
    size_t nodes = 1;
    for (const Category& category : catalogue.categories) {
        const QString where = quoted(category.name);
        nameProblems(QStringLiteral("Category"), category.name, where);
        if (!listformat::isSafeCategoryName(category.name))
            problems << QStringLiteral("Category %1 cannot be a file name in the cache").arg(where);
        const QString folder = withoutBlanks(category.name);
        if (categoryOfFolder.contains(folder))
            problems << QStringLiteral("Categories %1 and %2 share the picture folder \"%3\"")
                            .arg(quoted(categoryOfFolder.value(folder)), where, folder);
        else
            categoryOfFolder.insert(folder, category.name);
        if (category.skins.size() > size_t(listformat::MaxNames))
            problems << QStringLiteral("Category %1 has %2 skins: a list holds at most %3 names")
                            .arg(where)
                            .arg(category.skins.size())
                            .arg(listformat::MaxNames);

        nodes += 1 + size_t(category.skins.size());
        for (const Skin& entry : category.skins) {
            const QString& skin = entry.name;
            const QString at = place(category, skin);
            nameProblems(QStringLiteral("Skin"), skin, at);
            if (skin.startsWith(QLatin1Char(' ')))
                problems << QStringLiteral("Skin %1 starts with a blank: it could not be clicked")
                                .arg(at);
            if (skin.contains(QLatin1Char('\\')))
                problems << QStringLiteral("Skin %1 holds \"\\\", which splits its address").arg(at);
            if (skin == QLatin1String("voruzide"))
                problems << QStringLiteral("Skin %1 is named like the catalogue's root").arg(at);
            if (firstPlaceOfSkin.contains(skin))
                problems << QStringLiteral("Skin name \"%1\" is used twice: %2 and %3")
                                .arg(skin, firstPlaceOfSkin.value(skin), at);
            else
                firstPlaceOfSkin.insert(skin, at);
        }
    }
    if (nodes > size_t(listformat::MaxNames))
        problems << QStringLiteral("%1 nodes in all: the tree holds at most %2").arg(nodes).arg(
                        listformat::MaxNames);
    return problems;
}

bool writeServerTree(const Catalogue& catalogue, const QString& outputFolder, QString* error)
{
    if (!QDir().mkpath(outputFolder)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(outputFolder);
        return false;
    }
    const QDir out(outputFolder);
    QStringList categoryNames;
    for (const Category& category : catalogue.categories) {
        categoryNames << category.name;
        QStringList skinNames;
        for (const Skin& skin : category.skins)
            skinNames << skin.name;
        if (!writeFile(out.filePath(category.name + QStringLiteral(".txt")),
                       listformat::encodeList(skinNames), error))
            return false;
        // The program asks for <category without blanks>/<skin>.gif.
        const QString pictures = out.filePath(withoutBlanks(category.name));
        QDir().mkpath(pictures);
        for (const Skin& skin : category.skins) {
            QFile source(skin.file);
            if (!source.open(QIODevice::ReadOnly)) {
                if (error)
                    *error = QStringLiteral("cannot read %1").arg(skin.file);
                return false;
            }
            if (!writeFile(QDir(pictures).filePath(skin.name + GifSuffix), source.readAll(),
                           error))
                return false;
        }
    }
    return writeFile(out.filePath(QStringLiteral("voruzide.txt")),
                     listformat::encodeList(categoryNames), error);
}

} // namespace catalogue
