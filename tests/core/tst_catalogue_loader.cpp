#include "core/skin_controller.h"
#include "support/test_profile.h"

#include <QDir>
#include <QtTest>

using Files = QHash<QString, QByteArray>; // list file on the server -> its bytes
Q_DECLARE_METATYPE(Files)

namespace {
const QString Downloaded = QStringLiteral("Skinlijst succesvol gedownload!");
const QString Missing = QStringLiteral("Skinlijst ontbreekt. Update de skinlijst!");
const QString Prefix = QStringLiteral("Fout opgetreden: ");

QByteArray names(char first, int count)
{
    QByteArrayList list;
    for (int i = 0; i < count; ++i)
        list << first + QByteArray::number(i);
    return list.join('*');
}

// A profile serving `files`, its controller started as the program starts it.
struct Run {
    explicit Run(const Files& files, const QString& commandLine = QString())
    {
        for (auto it = files.begin(); it != files.end(); ++it)
            profile.world.files.insert(TestProfile::server() + it.key(), it.value());
        controller.language().loadDefault();
        controller.start(commandLine);
    }
    QStringList listCopies() const
    {
        QStringList copies;
        const QDir cache(profile.cacheFolder());
        for (const QString& name : cache.entryList({QStringLiteral("*.tmp")}, QDir::Files))
            copies << name + '=' + readFileBytes(cache.filePath(name));
        return copies;
    }
    TestProfile profile;
    SkinController controller{profile.services};
    ReportLog log{controller};
};
} // namespace

class TestCatalogueLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reportsInTheOrderSeen();
    void loads_data();
    void loads();
    void failedRefreshPutsOldCopiesBack_data();
    void failedRefreshPutsOldCopiesBack();
};

void TestCatalogueLoader::reportsInTheOrderSeen()
{
    Run run({{"voruzide.txt", "A"}, {"A.txt", "x*y"}});
    run.log.lines.clear();
    run.controller.loadCatalogue();
    QCOMPARE(run.log.lines.join(',').replace("progress ", "").replace("status " + Downloaded, "ok"),
             "10,20,ok,0,10,20,30,40,50,ok,0,10,20,30,40,0");
    QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide( A(x,y))"));
    QVERIFY(!run.controller.loadingPending());
}

void TestCatalogueLoader::loads_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("shape"); // empty: not compared
    QTest::addColumn<int>("nodes");
    QTest::addColumn<QString>("status");

    QTest::newRow("two categories")
        << Files{{"voruzide.txt", "A*B"}, {"A.txt", "x*y"}, {"B.txt", "z"}}
        << " VOR Uzide( A(x,y), B(z))" << 6 << Downloaded;
    QTest::newRow("blanks and line breaks are names")
        << Files{{"voruzide.txt", "Auto Motor*"},
                 {"Auto Motor.txt", " Rode *\r\nBlauw"},
                 {".txt", ""}}
        << " VOR Uzide( Auto Motor( Rode ,\r\nBlauw), )" << 5 << Downloaded;
    QTest::newRow("Windows-1252") << Files{{"voruzide.txt", "Caf\xE9"},
                                           {"Caf\xC3\xA9.txt", "5\x80"}}
                                  << " VOR Uzide( Caf\u00E9(5\u20AC))" << 3 << Downloaded;
    QTest::newRow("no category list") << Files() << " VOR Uzide" << 1 << Missing;
    QTest::newRow("not found marker")
        << Files{{"voruzide.txt", "notfound"}} << " VOR Uzide" << 1 << "Error 404: File Not Found";
    QTest::newRow("a list missing") << Files{{"voruzide.txt", "A*B*C"}, {"A.txt", "x*y"}}
                                    << " VOR Uzide( A(x,y), B)" << 5 << Missing;
    QTest::newRow("duplicate skin")
        << Files{{"voruzide.txt", "A*B"}, {"A.txt", "x*y"}, {"B.txt", "z*x*w"}}
        << " VOR Uzide( A(x,y), B(z))" << 6 << Prefix + "35602 - Key is not unique in collection";
    QTest::newRow("unsafe category") << Files{{"voruzide.txt", "A*../evil*C"}, {"A.txt", "x"}}
                                     << " VOR Uzide( A(x), ../evil)" << 4
                                     << Prefix + "52 - Bad file name or number: \"../evil\" "
                                                 "cannot be stored in the cache";
    QTest::newRow("32,767 names") << Files{{"voruzide.txt", "A"}, {"A.txt", names('a', 32767)}}
                                  << "" << 32769 << Downloaded;
    QTest::newRow("name of 255 bytes")
        << Files{{"voruzide.txt", "A"}, {"A.txt", "x*" + QByteArray(255, 'n')}} << "" << 4
        << Downloaded;
    QTest::newRow("name of 256 bytes")
        << Files{{"voruzide.txt", "A"}, {"A.txt", "x*" + QByteArray(256, 'n')}} << " VOR Uzide( A)"
        << 2
        << Prefix + "52 - Bad file name or number: \"" + QString(64, 'n') +
               "...\" cannot be stored in the cache";
    QTest::newRow("32,768 names") << Files{{"voruzide.txt", "A"}, {"A.txt", names('a', 32768)}}
                                  << " VOR Uzide( A)" << 2 << Prefix + "6 - Overflow";
    QTest::newRow("tree exactly full") << Files{{"voruzide.txt", "A*B"},
                                                {"A.txt", names('a', 32767)},
                                                {"B.txt", names('b', 32766)}}
                                       << "" << 65536 << Downloaded;
    QTest::newRow("one skin too many") << Files{{"voruzide.txt", "A*B"},
                                                {"A.txt", names('a', 32767)},
                                                {"B.txt", names('b', 32767)}}
                                       << "" << 32770 << Prefix + "6 - Overflow";
    QTest::newRow("one category too many") << Files{{"voruzide.txt", "A*B*C"},
                                                    {"A.txt", names('a', 32767)},
                                                    {"B.txt", names('b', 32766)}}
                                           << "" << 65536 << Prefix + "6 - Overflow";
}

void TestCatalogueLoader::loads()
{
    QFETCH(Files, files);
    QFETCH(QString, shape);
    QFETCH(int, nodes);
    QFETCH(QString, status);
    Run run(files);
    run.controller.loadCatalogue();
    if (!shape.isEmpty())
        QCOMPARE(run.log.shape(), shape);
    QCOMPARE(run.log.nodes(), nodes);
    QCOMPARE(run.log.status, status);
    QVERIFY(!run.controller.loadingPending());
    // Nothing outside Cache, whatever the names.
    QVERIFY(!QFileInfo::exists(run.profile.path("evil.tmp")));
}

void TestCatalogueLoader::failedRefreshPutsOldCopiesBack_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("status");
    QTest::newRow("server gone") << Files() << Missing;
    QTest::newRow("a list gone") << Files{{"voruzide.txt", "New*Gone"}, {"New.txt", "n"}}
                                 << Missing;
    QTest::newRow("a list refused")
        << Files{{"voruzide.txt", "New*Dup"}, {"New.txt", "n"}, {"Dup.txt", "n"}}
        << Prefix + "35602 - Key is not unique in collection";
}

void TestCatalogueLoader::failedRefreshPutsOldCopiesBack()
{
    QFETCH(Files, files);
    QFETCH(QString, status);
    Run run(files, QStringLiteral("loadcache"));
    writeFileBytes(run.profile.cacheFolder() + "/voruzide.tmp", "Old");
    writeFileBytes(run.profile.cacheFolder() + "/Old.tmp", "o1");
    run.controller.loadCatalogue();
    QCOMPARE(run.profile.world.asked, QStringList()); // the cache asks the server nothing
    const QStringList before = run.listCopies();

    run.controller.refreshCatalogue();
    QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide"));
    QVERIFY(run.controller.loadingPending());
    run.controller.loadCatalogue();
    QCOMPARE(run.log.status, status);
    QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide( Old(o1))"));
    QCOMPARE(run.listCopies(), before);
    QVERIFY(!QFileInfo::exists(run.profile.cacheFolder() + "/before-refresh"));

    // A refresh that works replaces them.
    run.profile.world.files = {{TestProfile::server() + "voruzide.txt", "New"},
                               {TestProfile::server() + "New.txt", "n1*n2"}};
    run.controller.refreshCatalogue();
    run.controller.loadCatalogue();
    QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide( New(n1,n2))"));
    QCOMPARE(run.listCopies(), (QStringList{"New.tmp=n1*n2", "voruzide.tmp=New"}));
}

QTEST_GUILESS_MAIN(TestCatalogueLoader)
#include "tst_catalogue_loader.moc"
