#include "app/app_error.h"
#include "catalogue/list_format.h"
#include "install/skin_url.h"
#include "platform/network_fetcher.h"

#include <QTest>

class TestListFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void split_data();
    void split();
    void decodesWindows1252();
    void notFoundMarker_data();
    void notFoundMarker();
    void safeCategoryName_data();
    void safeCategoryName();
    void skinUrl_data();
    void skinUrl();
    void requestUrl_data();
    void requestUrl();
};

void TestListFormat::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two names") << QStringLiteral("A*B")
                               << QStringList{QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("one name") << QStringLiteral("Auto Motor")
                              << QStringList{QStringLiteral("Auto Motor")};
    QTest::newRow("empty text") << QString() << QStringList{};
    QTest::newRow("trailing star")
        << QStringLiteral("A*") << QStringList{QStringLiteral("A"), QString()};
    QTest::newRow("empty inside") << QStringLiteral("A**B")
                                  << QStringList{QStringLiteral("A"), QString(),
                                                 QStringLiteral("B")};
    QTest::newRow("blanks kept") << QStringLiteral(" A * B ")
                                 << QStringList{QStringLiteral(" A "), QStringLiteral(" B ")};
    QTest::newRow("line breaks are name text")
        << QStringLiteral("A\r\n*B\n")
        << QStringList{QStringLiteral("A\r\n"), QStringLiteral("B\n")};
}

void TestListFormat::split()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QCOMPARE(listformat::splitList(text), names);
}

void TestListFormat::decodesWindows1252()
{
    // 0x80 is the euro sign, 0xE9 e-acute: one byte per character.
    const QByteArray bytes("Caf\xE9*\x80uro", 9);
    QCOMPARE(listformat::splitList(listformat::decodeList(bytes)),
             (QStringList{QStringLiteral("Caf\u00E9"), QStringLiteral("\u20ACuro")}));
    QCOMPARE(listformat::encodeList({QStringLiteral("Caf\u00E9"), QStringLiteral("\u20ACuro")}),
             bytes);
}

void TestListFormat::notFoundMarker_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("marker");
    QTest::newRow("exact") << QStringLiteral("notfound") << true;
    QTest::newRow("with line break") << QStringLiteral("notfound\r\n") << false;
    QTest::newRow("leading blank") << QStringLiteral(" notfound") << false;
    QTest::newRow("in a list") << QStringLiteral("notfound*A") << false;
}

void TestListFormat::notFoundMarker()
{
    QFETCH(QString, text);
    QFETCH(bool, marker);
    QCOMPARE(listformat::isNotFoundMarker(text), marker);
}

void TestListFormat::safeCategoryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << QStringLiteral("Auto Motor") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("three dots") << QStringLiteral("...") << true;
    QTest::newRow("accented") << QStringLiteral("Caf\u00E9") << true;
    QTest::newRow("dot") << QStringLiteral(".") << false;
    QTest::newRow("dot dot") << QStringLiteral("..") << false;
    QTest::newRow("parent path") << QStringLiteral("../../evil") << false;
    QTest::newRow("slash") << QStringLiteral("a/b") << false;
    QTest::newRow("absolute") << QStringLiteral("/tmp/evil") << false;
    QTest::newRow("backslash") << QStringLiteral("..\\evil") << false;
    QTest::newRow("line break") << QStringLiteral("notfound\r\n") << false;
    QTest::newRow("tab") << QStringLiteral("a\tb") << false;
    QTest::newRow("nul") << QString(QChar(0)) << false;
    QTest::newRow("delete") << QStringLiteral("a\x7F") << false;
    QTest::newRow("C1 control") << QString(QChar(0x81)) << false;
    QTest::newRow("255 bytes") << QString(255, QLatin1Char('n')) << true;
    QTest::newRow("256 bytes") << QString(256, QLatin1Char('n')) << false;
}

void TestListFormat::safeCategoryName()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(listformat::isSafeCategoryName(name), safe);
    bool thrown = false;
    try {
        listformat::requireSafeCategoryName(name);
    } catch (const AppError& error) {
        thrown = true;
        QCOMPARE(error.number(), 52);
    }
    QCOMPARE(thrown, !safe);
}

void TestListFormat::skinUrl_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("url");
    QTest::newRow("blanks dropped from folder only")
        << QStringLiteral(" Auto Motor") << QStringLiteral("Rode Ferrari")
        << QStringLiteral("http://h/b/AutoMotor\\Rode Ferrari.gif");
    QTest::newRow("trailing blanks of the skin kept")
        << QStringLiteral(" A") << QStringLiteral("x  ") << QStringLiteral("http://h/b/A\\x  .gif");
    QTest::newRow("empty skin") << QStringLiteral(" A") << QString()
                                << QStringLiteral("http://h/b/A\\.gif");
}

void TestListFormat::skinUrl()
{
    QFETCH(QString, category);
    QFETCH(QString, skin);
    QFETCH(QString, url);
    QCOMPARE(skinPictureUrl(QStringLiteral("http://h/b/"), category, skin), url);
}

void TestListFormat::requestUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("sent");
    QTest::newRow("backslash as slash")
        << QStringLiteral("http://h/b/AutoMotor\\Rode Ferrari.gif")
        << QStringLiteral("http://h/b/AutoMotor/Rode%20Ferrari.gif");
    QTest::newRow("non-ASCII as UTF-8")
        << QStringLiteral("http://h/Caf\u00E9.txt") << QStringLiteral("http://h/Caf%C3%A9.txt");
    QTest::newRow("euro sign") << QStringLiteral("https://h/\u20AC.txt")
                               << QStringLiteral("https://h/%E2%82%AC.txt");
    QTest::newRow("no http") << QStringLiteral("file:///etc/passwd") << QString();
    QTest::newRow("no host") << QStringLiteral("voruzide.txt") << QString();
}

void TestListFormat::requestUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, sent);
    QCOMPARE(NetworkFetcher::requestUrl(url), sent);
}

QTEST_GUILESS_MAIN(TestListFormat)
#include "tst_list_format.moc"
