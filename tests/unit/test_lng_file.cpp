#include "language/lng_file.h"
#include "support/test_platform.h"

#include <QtTest>

using Problem = LanguageFileContent::Problem;
Q_DECLARE_METATYPE(Problem)

namespace {
// Lines "L1" ... "Ln", each followed by breakText (the last one only when lastBreak).
QByteArray numbered(int count, const QByteArray& breakText = "\r\n", bool lastBreak = true)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i) {
        bytes += "L" + QByteArray::number(i);
        if (i < count || lastBreak)
            bytes += breakText;
    }
    return bytes;
}

QByteArray withLine(int line, const QByteArray& text, int count = 26)
{
    QList<QByteArray> lines = numbered(count).split('\n');
    lines[line - 1] = text + "\r";
    return lines.join('\n');
}
} // namespace

class TestLngFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsFile_data();
    void readsFile();
    void unreadablePaths();
};

void TestLngFile::readsFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<int>("linesRead");
    QTest::addColumn<int>("checkLine"); // a line whose text is checked, 0 for none
    QTest::addColumn<QString>("checkText");

    const QString L26 = QStringLiteral("L26");
    QTest::newRow("26 lines, final break") << numbered(26) << Problem::None << 26 << 26 << L26;
    QTest::newRow("26 lines, no final break")
        << numbered(26, "\r\n", false) << Problem::None << 26 << 26 << L26;
    QTest::newRow("30 lines: the rest is ignored")
        << numbered(30) << Problem::None << 26 << 26 << L26;
    QTest::newRow("25 lines") << numbered(25) << Problem::TooFewLines << 25 << 25
                              << QStringLiteral("L25");
    QTest::newRow("25 lines, no final break")
        << numbered(25, "\r\n", false) << Problem::TooFewLines << 25 << 25 << QStringLiteral("L25");
    QTest::newRow("empty file") << QByteArray() << Problem::TooFewLines << 0 << 0 << QString();
    QTest::newRow("26th line empty after the 25th break") << numbered(25) + "\r\n"
                                                          << Problem::None << 26 << 26 << QString();
    QTest::newRow("empty line 13") << withLine(13, "") << Problem::None << 26 << 13 << QString();
    QTest::newRow("blanks are kept")
        << withLine(4, "Error:  ") << Problem::None << 26 << 4 << QStringLiteral("Error:  ");
    QTest::newRow("byte-order mark stays in line 1")
        << QByteArray("\xEF\xBB\xBF") + numbered(26) << Problem::None << 26 << 1
        << QStringLiteral("\u00EF\u00BB\u00BFL1");
    QTest::newRow("Windows-1252 letters")
        << withLine(25, "\xE9\xE9n \x80 \x93x\x94") << Problem::None << 26 << 25
        << QStringLiteral("\u00E9\u00E9n \u20AC \u201Cx\u201D");
    QTest::newRow("lone LF ends a line")
        << numbered(26, "\n") << Problem::None << 26 << 7 << QStringLiteral("L7");
    QTest::newRow("mixed breaks") << QByteArray("a\nb\r\n") + numbered(24) << Problem::None << 26
                                  << 2 << QStringLiteral("b");
    QTest::newRow("lone CR stays in the text")
        << withLine(2, "a\rb") << Problem::None << 26 << 2 << QStringLiteral("a\rb");

    // Reads go in chunks of 16 KiB: a CR LF pair cut in two by a chunk edge.
    const QByteArray split = QByteArray(16 * 1024 - 1, 'x');
    QTest::newRow("CR LF across a read chunk")
        << withLine(1, split) << Problem::None << 26 << 2 << QStringLiteral("L2");

    const QByteArray longest(MaxLanguageLineBytes, 'y');
    QTest::newRow("line of exactly 64 KiB")
        << withLine(3, longest) << Problem::None << 26 << 3 << QString::fromLatin1(longest);
    QTest::newRow("line over 64 KiB")
        << withLine(3, longest + "y") << Problem::LineTooLong << 2 << 2 << QStringLiteral("L2");
    QTest::newRow("last line over 64 KiB, no break")
        << numbered(25) + longest + "y" << Problem::LineTooLong << 25 << 0 << QString();
    QTest::newRow("endless line") << QByteArray(1024 * 1024, 'z') << Problem::LineTooLong << 0 << 0
                                  << QString();
}

void TestLngFile::readsFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Problem, problem);
    QFETCH(int, linesRead);
    QFETCH(int, checkLine);
    QFETCH(QString, checkText);

    TestProfile profile;
    const LanguageFileContent content =
        readLanguageFile(profile.writeFile(QStringLiteral("program/test.lng"), bytes));
    QCOMPARE(content.problem, problem);
    QCOMPARE(content.complete(), problem == Problem::None);
    QCOMPARE(content.lines.size(), linesRead);
    if (checkLine > 0)
        QCOMPARE(content.lines.at(checkLine - 1), checkText);
    // No line keeps a line break.
    for (const QString& line : content.lines)
        QVERIFY(!line.contains(QLatin1Char('\n')));
}

void TestLngFile::unreadablePaths()
{
    TestProfile profile;
    QCOMPARE(readLanguageFile(profile.programFolder() + QStringLiteral("/none.lng")).problem,
             Problem::Unreadable);
    QCOMPARE(readLanguageFile(profile.programFolder()).problem, Problem::Unreadable);
    QVERIFY(readLanguageFile(profile.programFolder()).lines.isEmpty());
}

QTEST_GUILESS_MAIN(TestLngFile)
#include "test_lng_file.moc"
