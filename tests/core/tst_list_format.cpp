// The list files: how the program reads them, and how the catalogue tool writes them.
#include "core/catalogue/catalogue_builder.h"
#include "core/catalogue/list_format.h"
#include "core/catalogue/skin_picture_url.h"
#include "support/test_profile.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

class TestListFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void names_data();
    void names();
    void toolBuildsServedTree();
    void toolRefuses_data();
    void toolRefuses();
};

void TestListFormat::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safeCategory");
    QTest::addColumn<bool>("notFound");
    QTest::newRow("plain") << "Auto Motor" << true << false;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("three dots") << "..." << true << false;
    QTest::newRow("not found") << "notfound" << true << true;
    QTest::newRow("not found, break") << "notfound\r\n" << false << false;
    QTest::newRow("not found in a list") << "notfound*A" << true << false;
    for (const char* bad : {".", "..", "../x", "a/b", "/tmp/x", "..\\x", "a\tb", "a\x7F"})
        QTest::newRow(bad) << QString::fromLatin1(bad) << false << false;
    QTest::newRow("C1 control") << QString(QChar(0x81)) << false << false;
    QTest::newRow("256 bytes") << QString(256, 'n') << false << false;
}

void TestListFormat::names()
{
    QFETCH(QString, name);
    QFETCH(bool, safeCategory);
    QFETCH(bool, notFound);
    QCOMPARE(listformat::isSafeCategoryName(name), safeCategory);
    QCOMPARE(listformat::isNotFoundMarker(name), notFound);
    // The picture's folder is the category without blanks; the skin's name stays whole.
    QCOMPARE(skinPictureUrl("http://h/b/", " Auto Motor ", " Rood " + name),
             "http://h/b/AutoMotor\\ Rood " + name + ".gif");
}

void TestListFormat::toolBuildsServedTree()
{
    TestProfile p;
    const QByteArray red = makeGif();
    writeFileBytes(p.path("src/Auto Motor/Rode Ferrari.gif"), red);
    writeFileBytes(p.path("src/Auto Motor/blauw.GIF"), makeGif(3));
    writeFileBytes(p.path("src/Auto Motor/Alfa.gif"), red);
    writeFileBytes(p.path("src/Auto Motor/readme.txt"), "not a skin");
    writeFileBytes(p.path("src/caf\u00e9/Zon.gif"), red);
    QCOMPARE(QProcess::execute(DRAPELLO_CATALOGUE_TOOL, {p.path("src"), p.path("out")}), 0);
    QCOMPARE(readFileBytes(p.path("out/voruzide.txt")), QByteArray("Auto Motor*caf\xE9"));
    QCOMPARE(readFileBytes(p.path("out/Auto Motor.txt")), QByteArray("Alfa*blauw*Rode Ferrari"));
    QCOMPARE(readFileBytes(p.path("out/AutoMotor/Rode Ferrari.gif")), red);
    QCOMPARE(readFileBytes(p.path("out/AutoMotor/blauw.gif")), makeGif(3));
    QCOMPARE(readFileBytes(p.path("out/caf\u00e9/Zon.gif")), red);
}

void TestListFormat::toolRefuses_data()
{
    QTest::addColumn<QStringList>("files"); // category/skin paths below the source
    QTest::addColumn<QString>("expected");  // a part of the one problem line
    QTest::newRow("skin twice") << QStringList{"A/zee.gif", "B/zee.gif"}
                                << "\"zee\" is used twice: \"A/zee.gif\" and \"B/zee.gif\"";
    QTest::newRow("named like the root") << QStringList{"A/voruzide.gif"} << "root";
    QTest::newRow("star") << QStringList{"A/x*y.gif"} << "\"A/x*y.gif\" holds \"*\"";
    QTest::newRow("leading blank") << QStringList{"A/ zon.gif"} << "could not be clicked";
    QTest::newRow("not Windows-1252") << QStringList{"A/\u4e2d.gif"} << "outside Windows-1252";
    QTest::newRow("backslash") << QStringList{"A\\B/x.gif"} << "cannot be a file name in the cache";
    QTest::newRow("same folder") << QStringList{"Auto Motor/a.gif", "AutoMotor/b.gif"}
                                 << "share the picture folder \"AutoMotor\"";
    QTest::newRow("lone notfound") << QStringList{"notfound/a.gif"} << "lone category \"notfound\"";
    QTest::newRow("address") << QStringList{"A/x#1.gif"} << "breaks its address";
}

void TestListFormat::toolRefuses()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    TestProfile p;
    for (const QString& f : files)
        writeFileBytes(p.path("src/" + f), makeGif());
    const QStringList found = catalogue::problemsOf(catalogue::scanSource(p.path("src")));
    QCOMPARE(found.size(), 1);
    QVERIFY2(found.first().contains(expected), qPrintable(found.first()));
    QCOMPARE(QProcess::execute(DRAPELLO_CATALOGUE_TOOL, {p.path("src"), p.path("out")}), 1);
    QVERIFY(!QFileInfo::exists(p.path("out")));
}

QTEST_GUILESS_MAIN(TestListFormat)
#include "tst_list_format.moc"
