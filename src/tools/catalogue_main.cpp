// drapello-catalogue: builds the files a Drapello skin server serves from a folder of pictures.
#include "core/catalogue/catalogue_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <csignal>
#include <cstdio>

namespace {
volatile std::sig_atomic_t interrupted = 0;

void interrupt(int)
{
    interrupted = 1;
}

void print(FILE* to, const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), to);
}

int usage()
{
    print(stderr, QStringLiteral(
                      "usage: drapello-catalogue [--check] SOURCE [OUTPUT]\n"
                      "  SOURCE  a folder with one sub-folder per category, holding .gif skins\n"
                      "  OUTPUT  where to write voruzide.txt, <category>.txt and the pictures\n"
                      "          (default: SOURCE/../served); an earlier tree there is replaced\n"
                      "          whole, and only once the new one is complete; it must lie\n"
                      "          outside SOURCE and be no symbolic link\n"
                      "  --check only report the names Drapello would mishandle\n"
                      "Lists are sorted by name without regard to case; exit status 1 when a\n"
                      "name needs attention (nothing is written then), 2 for a usage error."));
    return 2;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool checkOnly = args.removeAll(QStringLiteral("--check")) > 0;
    if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1Char('-')))
        return usage();
    const QString source = args.at(0);
    if (!QFileInfo(source).isDir()) {
        print(stderr, QStringLiteral("drapello-catalogue: %1 is not a folder").arg(source));
        return 2;
    }
    const QString output =
        args.size() > 1 ? args.at(1) : QDir(source).absoluteFilePath(QStringLiteral("../served"));

    const catalogue::Catalogue found = catalogue::scanSource(source);
    const QStringList problems = catalogue::problemsOf(found);
    size_t skins = 0;
    for (const auto& category : found.categories)
        skins += category.skins.size();
    for (const QString& problem : problems)
        print(stderr, problem);
    print(stdout, QStringLiteral("%1 categories, %2 skins, %3 problem(s)")
                      .arg(found.categories.size())
                      .arg(skins)
                      .arg(problems.size()));
    if (!problems.isEmpty()) {
        if (!checkOnly)
            print(stderr, QStringLiteral("Nothing written: fix the names above first."));
        return 1;
    }
    if (checkOnly)
        return 0;
    // Ctrl+C or a kill ends the copying between two chunks, and what was written goes.
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    QString error;
    if (!catalogue::writeServerTree(found, output, &error, [] { return interrupted != 0; })) {
        print(stderr, QStringLiteral("drapello-catalogue: %1").arg(error));
        return 1;
    }
    print(stdout, QStringLiteral("Written to %1").arg(QDir(output).absolutePath()));
    return 0;
}
