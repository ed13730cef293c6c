// The catalogue builder against real folders: what it serves, and every name it refuses.
#include "catalogue/catalogue_builder.h"
#include "catalogue/list_format.h"
#include "support/test_platform.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {
QStringList listAt(const QString& path)
{
    return listformat::splitList(listformat::decodeList(readFileBytes(path)));
}

catalogue::Catalogue oneCategory(const QString& category, const QStringList& skins)
{
    catalogue::Catalogue c;
    catalogue::Category cat;
    cat.name = category;
    for (const QString& s : skins)
        cat.skins.push_back({s, QString()});
    c.categories.push_back(cat);
    return c;
}
} // namespace

class TestCatalogueBuilder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buildsServedTree();
    void problems_data();
    void problems();
    void tooManyNames();
    void toolRefusesAndReplacesWhole();
    void failedWriteKeepsEarlierTree();
};

void TestCatalogueBuilder::buildsServedTree()
{
    TestProfile p;
    const QByteArray red = makeGif();
    const QByteArray anim = makeGif(3);
    p.writeFile(QStringLiteral("src/Auto Motor/Rode Ferrari.gif"), red);
    p.writeFile(QStringLiteral("src/Auto Motor/blauw.GIF"), anim);
    p.writeFile(QStringLiteral("src/Auto Motor/Alfa.gif"), red);
    p.writeFile(QStringLiteral("src/Auto Motor/readme.txt"), "not a skin");
    p.writeFile(QStringLiteral("src/caf\u00e9/Zon.gif"), red);
    QDir().mkpath(p.root() + QStringLiteral("/src/Leeg"));

    const catalogue::Catalogue found = catalogue::scanSource(p.root() + QStringLiteral("/src"));
    QVERIFY(catalogue::problemsOf(found).isEmpty());
    QString error;
    const QString out = p.root() + QStringLiteral("/served");
    QVERIFY2(catalogue::writeServerTree(found, out, &error), qPrintable(error));

    QCOMPARE(listAt(out + QStringLiteral("/voruzide.txt")),
             QStringList({QStringLiteral("Auto Motor"), QStringLiteral("caf\u00e9"),
                          QStringLiteral("Leeg")}));
    // Windows-1252 on disk: é is one byte.
    QVERIFY(readFileBytes(out + QStringLiteral("/voruzide.txt")).contains("caf\xE9*"));
    QCOMPARE(listAt(out + QStringLiteral("/Auto Motor.txt")),
             QStringList({QStringLiteral("Alfa"), QStringLiteral("blauw"),
                          QStringLiteral("Rode Ferrari")}));
    QCOMPARE(readFileBytes(out + QStringLiteral("/Leeg.txt")), QByteArray());
    // Pictures where the program asks for them: the category without blanks.
    QCOMPARE(readFileBytes(out + QStringLiteral("/AutoMotor/Rode Ferrari.gif")), red);
    QCOMPARE(readFileBytes(out + QStringLiteral("/AutoMotor/blauw.gif")), anim);
    QCOMPARE(readFileBytes(out + QStringLiteral("/caf\u00e9/Zon.gif")), red);
}

void TestCatalogueBuilder::problems_data()
{
    QTest::addColumn<QStringList>("files"); // category/skin paths below the source
    QTest::addColumn<QString>("expected");  // a part of the one problem line

    QTest::newRow("same skin in two categories")
        << QStringList{QStringLiteral("A/zee.gif"), QStringLiteral("B/zee.gif")}
        << QStringLiteral("\"zee\" is used twice: \"A/zee.gif\" and \"B/zee.gif\"");
    QTest::newRow("named like the root")
        << QStringList{QStringLiteral("A/voruzide.gif")} << QStringLiteral("root");
    QTest::newRow("star in a skin") << QStringList{QStringLiteral("A/x*y.gif")}
                                    << QStringLiteral("\"A/x*y.gif\" holds \"*\"");
    QTest::newRow("star in a category") << QStringList{QStringLiteral("A*B/x.gif")}
                                        << QStringLiteral("Category \"A*B\" holds \"*\"");
    QTest::newRow("leading blank") << QStringList{QStringLiteral("A/ zon.gif")}
                                   << QStringLiteral("could not be clicked");
    QTest::newRow("outside Windows-1252") << QStringList{QStringLiteral("A/\u4e2d.gif")}
                                          << QStringLiteral("outside Windows-1252");
    QTest::newRow("backslash in a skin") << QStringList{QStringLiteral("A/x\\y.gif")}
                                         << QStringLiteral("splits its address");
    QTest::newRow("backslash in a category")
        << QStringList{QStringLiteral("A\\B/x.gif")}
        << QStringLiteral("cannot be a file name in the cache");
    QTest::newRow("same picture folder")
        << QStringList{QStringLiteral("Auto Motor/a.gif"), QStringLiteral("AutoMotor/b.gif")}
        << QStringLiteral("share the picture folder \"AutoMotor\"");
    QTest::newRow("picture folder is a list file")
        << QStringList{QStringLiteral("Sport/a.gif"), QStringLiteral("Sport.txt/b.gif")}
        << QStringLiteral("\"Sport.txt\" is also the list of category \"Sport\"");
    QTest::newRow("picture folder is the category list")
        << QStringList{QStringLiteral("voruzide .txt/a.gif")}
        << QStringLiteral("is also the category list");
    QTest::newRow("category voruzide") << QStringList{QStringLiteral("voruzide/a.gif")}
                                       << QStringLiteral("list file of the category list");
    QTest::newRow("lone notfound") << QStringList{QStringLiteral("notfound/a.gif")}
                                   << QStringLiteral("lone category \"notfound\"");
    for (const char* name : {"A/x#1.gif", "A/wat?.gif", "A/100%.gif", "A%41/x.gif"})
        QTest::newRow(name) << QStringList{QString::fromLatin1(name)}
                            << QStringLiteral("breaks its address");
}

void TestCatalogueBuilder::problems()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    TestProfile p;
    for (const QString& f : files)
        p.writeFile(QStringLiteral("src/") + f, makeGif());
    const QStringList found =
        catalogue::problemsOf(catalogue::scanSource(p.root() + QStringLiteral("/src")));
    QCOMPARE(found.size(), 1);
    QVERIFY2(found.first().contains(expected), qPrintable(found.first()));
}

void TestCatalogueBuilder::tooManyNames()
{
    QStringList skins;
    for (int i = 0; i < listformat::MaxNames; ++i)
        skins << QString::number(i);
    QStringList found = catalogue::problemsOf(oneCategory(QStringLiteral("A"), skins));
    // 32,767 names fit one list, but the tree (root + category + skins) does not.
    QCOMPARE(found.size(), 1);
    QVERIFY(found.first().contains(QStringLiteral("nodes")));
    skins << QStringLiteral("one more");
    found = catalogue::problemsOf(oneCategory(QStringLiteral("A"), skins));
    QVERIFY(found.join(QLatin1Char('\n')).contains(QStringLiteral("at most 32767 names")));
    skins.resize(32764);
    QVERIFY(catalogue::problemsOf(oneCategory(QStringLiteral("A"), skins)).isEmpty());
}

// The real tool: names it must refuse leave the served tree as it was; a good source replaces
// it whole, with nothing left beside it.
void TestCatalogueBuilder::toolRefusesAndReplacesWhole()
{
    TestProfile p;
    p.writeFile(QStringLiteral("src/Natuur/Zee.gif"), makeGif());
    p.writeFile(QStringLiteral("src/Sport/Bal.gif"), makeGif());
    const QString src = p.root() + QStringLiteral("/src");
    const QString out = p.root() + QStringLiteral("/served");
    QProcess tool;
    auto run = [&](const QStringList& args) {
        tool.start(QStringLiteral(DRAPELLO_CATALOGUE_TOOL), args);
        return tool.waitForFinished(30000) ? tool.exitCode() : -1;
    };
    QCOMPARE(run({QStringLiteral("--check"), src, out}), 0);
    QVERIFY(!QFile::exists(out)); // --check only reports
    QCOMPARE(run({src, out}), 0);
    const QStringList firstTree = QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(firstTree.size(), 5);

    p.writeFile(QStringLiteral("src/Sport/Zee.gif"), makeGif());
    p.writeFile(QStringLiteral("src/Sport.txt/Doel.gif"), makeGif());
    p.writeFile(QStringLiteral("src/Natuur/Zon#2.gif"), makeGif());
    QCOMPARE(run({src, out}), 1);
    const QString said = QString::fromUtf8(tool.readAllStandardError());
    for (const char* part : {"\"Natuur/Zee.gif\" and \"Sport/Zee.gif\"", "\"Sport.txt\" is also",
                             "\"Natuur/Zon#2.gif\" holds \"#\""})
        QVERIFY2(said.contains(QString::fromLatin1(part)), qPrintable(said));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), firstTree);

    QVERIFY(QDir(src + QStringLiteral("/Sport")).removeRecursively());
    QVERIFY(QFile::remove(src + QStringLiteral("/Natuur/Zon#2.gif")));
    QCOMPARE(run({src, out}), 0);
    QCOMPARE(listAt(out + QStringLiteral("/voruzide.txt")),
             (QStringList{QStringLiteral("Natuur"), QStringLiteral("Sport.txt")}));
    QVERIFY(!QFile::exists(out + QStringLiteral("/Sport/Bal.gif")));
    QCOMPARE(QDir(p.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{QStringLiteral("config"), QStringLiteral("program"),
                          QStringLiteral("served"), QStringLiteral("src")}));
}

// A failure half-way leaves the earlier tree whole, and nothing beside it.
void TestCatalogueBuilder::failedWriteKeepsEarlierTree()
{
    TestProfile p;
    p.writeFile(QStringLiteral("src/A/a.gif"), makeGif());
    p.writeFile(QStringLiteral("src/B/b.gif"), makeGif());
    const QString out = p.root() + QStringLiteral("/served");
    QVERIFY(catalogue::writeServerTree(catalogue::scanSource(p.root() + QStringLiteral("/src")),
                                       out, nullptr));
    const QByteArray earlier = readFileBytes(out + QStringLiteral("/voruzide.txt"));
    const QStringList tree = QDir(out).entryList(QDir::AllEntries | QDir::Hidden);
    const QStringList beside = QDir(p.root()).entryList(QDir::AllEntries | QDir::Hidden);

    p.writeFile(QStringLiteral("src/C/c.gif"), makeGif());
    const catalogue::Catalogue found = catalogue::scanSource(p.root() + QStringLiteral("/src"));
    QVERIFY(QFile::remove(p.root() + QStringLiteral("/src/C/c.gif"))); // gone before it is copied
    QString error;
    QVERIFY(!catalogue::writeServerTree(found, out, &error));
    QVERIFY2(error.contains(QStringLiteral("c.gif")), qPrintable(error));
    QCOMPARE(readFileBytes(out + QStringLiteral("/voruzide.txt")), earlier);
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden), tree);
    QCOMPARE(QDir(p.root()).entryList(QDir::AllEntries | QDir::Hidden), beside);

    // A folder that is not a tree of ours is never replaced.
    p.writeFile(QStringLiteral("www/index.html"), "mine");
    QVERIFY(!catalogue::writeServerTree(found, p.root() + QStringLiteral("/www"), &error));
    QCOMPARE(readFileBytes(p.root() + QStringLiteral("/www/index.html")), QByteArray("mine"));
}

QTEST_GUILESS_MAIN(TestCatalogueBuilder)
#include "test_catalogue_builder.moc"
