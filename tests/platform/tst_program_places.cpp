#include "platform/linux/program_places.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestProgramPlaces : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void places_data();
    void places();
};

void TestProgramPlaces::places_data()
{
    QTest::addColumn<QString>("layout");   // "portable", "read-only" or "installed"
    QTest::addColumn<QString>("expected"); // cache|language folders, below the temporary root
    const auto row = [](const char* title, const char* layout, const char* expected) {
        QTest::newRow(title) << QString::fromLatin1(layout) << QString::fromLatin1(expected);
    };
    row("writable copy: all beside it", "portable", "bin/Cache|bin");
    row("read-only copy: cache per user, its own languages after the user's", "read-only",
        "cache/Drapello/Cache|data/Drapello/languages,bin");
    row("installed, even when writable: the shipped languages", "installed",
        "cache/Drapello/Cache|data/Drapello/languages,share/drapello/languages");
}

void TestProgramPlaces::places()
{
    QFETCH(QString, layout);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    if (layout == u"installed")
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("share/drapello/languages"))));
    if (layout == u"read-only")
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(folderWritableByUs(bin), layout != u"read-only");
    const ProgramPlaces places = programPlaces(bin, root.filePath(QStringLiteral("cache")),
                                               root.filePath(QStringLiteral("data")));
    const QString seen = places.cacheFolder + u'|' + places.languageFolders.join(u',');
    QCOMPARE(QString(seen).remove(root.path() + u'/'), expected);
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(TestProgramPlaces)
#include "tst_program_places.moc"
