#include "core/catalogue/catalogue_builder.h"

#include "core/catalogue/list_format.h"
#include "core/preview/picture_decoder.h"
#include "core/windows1252.h"
#include "files/regular_file.h"
#include "files/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>

namespace catalogue {

namespace {
const QString GifSuffix = QStringLiteral(".gif");
const QString CategoryList = QStringLiteral("voruzide.txt");

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

bool writeFailed(const QString& path, const SafeFile& file, QString* error)
{
    if (error)
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(path, file.failure() == SafeFile::Failure::DiskFull
                                    ? QStringLiteral("the disk is full")
                                    : QStringLiteral("write error"));
    return false;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    SafeFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit())
        return writeFailed(path, file, error);
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
    result.source = sourceFolder;
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
            problems
                << QStringLiteral("%1 %2 has a character outside Windows-1252").arg(what, where);
        // Names go into addresses unencoded: these would end the path or start an escape.
        for (const QChar c : {QLatin1Char('#'), QLatin1Char('?'), QLatin1Char('%')}) {
            if (name.contains(c))
                problems << QStringLiteral("%1 %2 holds \"%3\", which breaks its address")
                                .arg(what, where, c);
        }
    };

    if (catalogue.categories.size() > size_t(listformat::MaxNames))
        problems << QStringLiteral("%1 categories: a list holds at most %2 names")
                        .arg(catalogue.categories.size())
                        .arg(listformat::MaxNames);

    if (catalogue.categories.size() == 1 &&
        listformat::isNotFoundMarker(catalogue.categories.front().name))
        problems << QStringLiteral("A lone category \"notfound\" reads as the server's answer "
                                   "that the catalogue is missing");

    // Served files by name, with what they are: a category's picture folder must not be one.
    QHash<QString, QString> listFiles{{CategoryList, QStringLiteral("the category list")}};
    for (const Category& category : catalogue.categories) {
        const QString list = category.name + QStringLiteral(".txt");
        if (list == CategoryList)
            problems << QStringLiteral("Category %1 has the list file of the category list")
                            .arg(quoted(category.name));
        else
            listFiles.insert(list, QStringLiteral("the list of category ") + quoted(category.name));
    }

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
        if (listFiles.contains(folder))
            problems << QStringLiteral("Category %1: its picture folder \"%2\" is also %3")
                            .arg(where, folder, listFiles.value(folder));
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
                problems
                    << QStringLiteral("Skin %1 holds \"\\\", which splits its address").arg(at);
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
        problems << QStringLiteral("%1 nodes in all: the tree holds at most %2")
                        .arg(nodes)
                        .arg(listformat::MaxNames);
    return problems;
}

namespace {
// An empty folder beside target, on the same disk, so that it can be renamed into its place.
QString makeStagingFolder(const QString& target)
{
    const QFileInfo info(target);
    const QDir parent = info.absoluteDir();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            QStringLiteral(".%1.partial-%2")
                .arg(info.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (parent.mkdir(name))
            return parent.filePath(name);
    }
    return {};
}

// Copies one picture in chunks: a link to /dev/zero or a file of gigabytes must not fill memory.
bool copyPicture(const QString& from, const QString& to, QString* error,
                 const std::function<bool()>& cancelled)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    QFile source;
    if (!openRegularFile(source, from))
        return fail(QStringLiteral("cannot read %1: no regular file").arg(from));
    const QString tooLarge =
        QStringLiteral("%1 is larger than %2 MiB, more than the program accepts")
            .arg(from)
            .arg(PictureDecoder::MaxFileBytes / (1024 * 1024));
    if (source.size() > PictureDecoder::MaxFileBytes)
        return fail(tooLarge);
    SafeFile target(to);
    if (!target.open())
        return writeFailed(to, target, error);
    constexpr qint64 Chunk = 256 * 1024;
    for (qint64 total = 0;;) {
        if (cancelled && cancelled())
            return fail(QStringLiteral("interrupted"));
        const QByteArray bytes = source.read(Chunk);
        if (source.error() != QFileDevice::NoError)
            return fail(QStringLiteral("cannot read %1").arg(from));
        if (bytes.isEmpty())
            break;
        total += bytes.size();
        if (total > PictureDecoder::MaxFileBytes) // it grew meanwhile
            return fail(tooLarge);
        if (!target.write(bytes))
            return writeFailed(to, target, error);
    }
    return target.commit() || writeFailed(to, target, error);
}

bool writeTree(const Catalogue& catalogue, const QDir& out, QString* error,
               const std::function<bool()>& cancelled)
{
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
            if (!copyPicture(skin.file, QDir(pictures).filePath(skin.name + GifSuffix), error,
                             cancelled))
                return false;
        }
    }
    return writeFile(out.filePath(CategoryList), listformat::encodeList(categoryNames), error);
}

// Removes a folder and all below it when it goes out of scope, unless forgotten; a link in
// its place is never followed.
struct FolderRemover {
    QString path;
    ~FolderRemover()
    {
        if (!path.isEmpty() && !QFileInfo(path).isSymLink())
            QDir(path).removeRecursively();
    }
};

// The path with every link of its longest existing part resolved, the rest appended.
QString resolved(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QDir::rootPath()) {
        rest.prepend(QLatin1Char('/') + QFileInfo(existing).fileName());
        existing = QFileInfo(existing).absolutePath();
    }
    return QDir::cleanPath(QFileInfo(existing).canonicalFilePath() + rest);
}

bool within(const QString& inner, const QString& outer)
{
    return inner == outer || inner.startsWith(outer + QLatin1Char('/')) ||
           outer == QLatin1String("/");
}

// A killed run leaves its folders beside the target: the new tree unfinished, or the old one
// moved aside when it died between the two renames, which is then put back.
void clearLeftovers(const QString& path)
{
    const QFileInfo target(path);
    const QRegularExpression ours(QStringLiteral("^\\.%1\\.partial-[0-9a-f]{8}(\\.previous)?$")
                                      .arg(QRegularExpression::escape(target.fileName())));
    const QFileInfoList entries = target.absoluteDir().entryInfoList(
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !ours.match(entry.fileName()).hasMatch())
            continue;
        const bool oldTree = entry.fileName().endsWith(QStringLiteral(".previous"));
        if (oldTree && !target.exists() && !target.isSymLink() &&
            QDir().rename(entry.absoluteFilePath(), path))
            continue;
        QDir(entry.absoluteFilePath()).removeRecursively();
    }
}
} // namespace

bool writeServerTree(const Catalogue& catalogue, const QString& outputFolder, QString* error,
                     const std::function<bool()>& cancelled)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QString path = QDir::cleanPath(QFileInfo(outputFolder).absoluteFilePath());
    clearLeftovers(path);
    const QFileInfo target(path);
    // Replacing a link would delete what it points to, wherever that is.
    if (target.isSymLink())
        return fail(QStringLiteral("%1 is a symbolic link: give the folder itself").arg(path));
    const QString output = resolved(path);
    const QString source = resolved(catalogue.source);
    if (!catalogue.source.isEmpty() && (within(output, source) || within(source, output)))
        return fail(QStringLiteral("%1 and the source %2 overlap: the output must lie outside")
                        .arg(path, catalogue.source));
    if (target.exists() && !target.isDir())
        return fail(QStringLiteral("%1 is not a folder").arg(path));
    // The folder is replaced whole, so it must hold nothing but an earlier tree of ours.
    const bool replacing =
        target.isDir() &&
        !QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (replacing && !QFileInfo::exists(path + QLatin1Char('/') + CategoryList))
        return fail(QStringLiteral("%1 holds other files and no %2: it is left alone")
                        .arg(path, CategoryList));
    if (!QDir().mkpath(target.absolutePath()))
        return fail(QStringLiteral("cannot create %1").arg(target.absolutePath()));
    const QString staging = makeStagingFolder(path);
    if (staging.isEmpty())
        return fail(QStringLiteral("cannot create a folder beside %1").arg(path));
    FolderRemover leftover{staging};
    if (!writeTree(catalogue, QDir(staging), error, cancelled))
        return false;

    // Everything is written: only now does the served tree change, by two renames.
    QString previous;
    if (target.isDir()) {
        previous = staging + QStringLiteral(".previous");
        if (!QDir().rename(path, previous))
            return fail(QStringLiteral("cannot move %1 aside").arg(path));
    }
    if (!QDir().rename(staging, path)) {
        if (!previous.isEmpty())
            QDir().rename(previous, path);
        return fail(QStringLiteral("cannot put the new tree in place at %1").arg(path));
    }
    leftover.path = previous;
    return true;
}

} // namespace catalogue
