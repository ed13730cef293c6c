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
    void toolRefusesDuplicates();
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

void TestCatalogueBuilder::toolRefusesDuplicates()
{
    TestProfile p;
    p.writeFile(QStringLiteral("src/Natuur/Zee.gif"), makeGif());
    p.writeFile(QStringLiteral("src/Sport/Zee.gif"), makeGif());
    const QString src = p.root() + QStringLiteral("/src");
    const QString out = p.root() + QStringLiteral("/served");
    QProcess tool;
    auto run = [&](const QStringList& args) {
        tool.start(QStringLiteral(DRAPELLO_CATALOGUE_TOOL), args);
        return tool.waitForFinished(30000) ? tool.exitCode() : -1;
    };
    QCOMPARE(run({src, out}), 1);
    const QString said = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(said.contains(QStringLiteral("\"Natuur/Zee.gif\" and \"Sport/Zee.gif\"")),
             qPrintable(said));
    QVERIFY(!QFile::exists(out)); // nothing written

    QFile::remove(src + QStringLiteral("/Sport/Zee.gif"));
    QCOMPARE(run({QStringLiteral("--check"), src, out}), 0);
    QVERIFY(!QFile::exists(out)); // --check only reports
    QCOMPARE(run({src, out}), 0);
    QCOMPARE(listAt(out + QStringLiteral("/Natuur.txt")), QStringList{QStringLiteral("Zee")});
}

QTEST_GUILESS_MAIN(TestCatalogueBuilder)
#include "test_catalogue_builder.moc"
