// The catalogue: the loading pass, the list files it reads, the tool that writes them.
#include "core/catalogue/list_format.h"
#include "core/skin_controller.h"
#include "support/test_profile.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using Files = QHash<QString, QByteArray>; // URL -> bytes

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

// The category list and the lists of its first categories, in order, on the server.
Files lists(const QByteArray& categories, const QByteArrayList& skins = {})
{
    Files files{{TestProfile::server() + "voruzide.txt", categories}};
    const QStringList names = listformat::splitList(listformat::decodeList(categories));
    for (int i = 0; i < skins.size(); ++i)
        files.insert(TestProfile::server() + names.at(i) + ".txt", skins.at(i));
    return files;
}
// The names as ReportLog::shape() draws the tree, root aside.
QString shapeOf(const CatalogueNames& names)
{
    QStringList parts;
    for (const CatalogueNames::Category& c : names.categories())
        parts << (c.skins.isEmpty() ? c.text : c.text + u'(' + c.skins.join(u',') + u')');
    return parts.isEmpty() ? " VOR Uzide" : " VOR Uzide(" + parts.join(u',') + u')';
}
} // namespace

class TestCatalogueLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loads_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("tree"); // its shape, or for a large one "<n> nodes"
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("ahead"); // lists fetched ahead: none past a name the pass refuses

        const QString overflow = Prefix + "6 - Overflow", ok = Downloaded, missing = Missing;
        const auto badName = [](const QString& shown) {
            return Prefix + "52 - Bad file name or number: \"" + shown +
                   "\" cannot be stored in the cache";
        };
        const QByteArray a32767 = names('a', 32767), b32766 = names('b', 32766);
        const auto row = [](const char* name, const Files& files, const QString& tree,
                            const QString& status,
                            int ahead) { QTest::newRow(name) << files << tree << status << ahead; };
        row("two", lists("A*B", {"x*y", "z"}), " VOR Uzide( A(x,y), B(z))", ok, 2);
        row("blanks, breaks", lists("Auto Motor*", {" Rode *\r\nBlauw", ""}),
            " VOR Uzide( Auto Motor( Rode ,\r\nBlauw), )", ok, 2);
        row("1252", lists("Caf\xE9", {"5\x80"}), " VOR Uzide( Caf\u00E9(5\u20AC))", ok, 1);
        row("no categories", Files(), " VOR Uzide", missing, 0);
        row("notfound", lists("notfound"), " VOR Uzide", "Error 404: File Not Found", 0);
        row("list missing", lists("A*B*C", {"x*y"}), " VOR Uzide( A(x,y), B)", missing, 3);
        row("duplicate", lists("A*B", {"x*y", "z*x*w"}), " VOR Uzide( A(x,y), B(z))",
            Prefix + "35602 - Key is not unique in collection", 2);
        row("unsafe", lists("A*../evil*C", {"x"}), " VOR Uzide( A(x), ../evil)", badName("../evil"),
            1);
        row("255 bytes", lists("A", {"x*" + QByteArray(255, 'n')}), "4 nodes", ok, 1);
        row("256 bytes", lists("A", {"x*" + QByteArray(256, 'n')}), " VOR Uzide( A)",
            badName(QString(64, 'n') + "..."), 1);
        row("32,768 names", lists("A", {names('a', 32768)}), " VOR Uzide( A)", overflow, 1);
        row("tree full", lists("A*B", {a32767, b32766}), "65536 nodes", ok, 2);
        row("a skin more", lists("A*B", {a32767, names('b', 32767)}), "32770 nodes", overflow, 2);
        row("a category more", lists("A*B*C", {a32767, b32766}), "65536 nodes", overflow, 3);
        // A name no cache file can have ends the pass before any list is asked for; a list's text
        // is a server's "not found" only when that is all of it.
        for (const char* bad : {".", "..", "../x", "a/b", "/tmp/x", "..\\x", "a\tb", "a\x7F",
                                "\x81", "notfound\r\n"}) {
            const QString name = listformat::decodeList(bad);
            row(bad, lists(bad), " VOR Uzide( " + name + ')', badName(name), 0);
        }
        row("category of 256 bytes",
            {{TestProfile::server() + "voruzide.txt", QByteArray(256, 'n')}}, " VOR Uzide",
            badName(QString(64, 'n') + "..."), 0);
        row("not found in a list", lists("notfound*A"), " VOR Uzide( notfound)", missing, 2);
        Files fifo = lists("A");
        fifo.insert("A.tmp", "FIFO"); // a list copy in the cache; the server has no A.txt
        row("FIFO for a copy", fifo, " VOR Uzide( A)", Prefix + "75 - Path/File access error", 1);
    }
    void loads()
    {
        QFETCH(Files, files);
        QFETCH(QString, tree);
        QFETCH(QString, status);
        QFETCH(int, ahead);
        ControllerRun run;
        run.profile.world.files = files;
        if (files.contains("A.tmp") && !makeFifo(run.profile.cacheFolder() + "/A.tmp"))
            QSKIP("no named pipes in folders here");
        run.controller.loadCatalogue();
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(tree.endsWith(" nodes") ? QString("%1 nodes").arg(run.log.nodes())
                                         : run.log.shape(),
                 tree);
        QCOMPARE(run.log.status, status);
        QCOMPARE(shapeOf(run.controller.catalogueNames()), run.log.shape());
        QCOMPARE(run.profile.world.ahead.size(), ahead);
        QVERIFY(!run.controller.loadingPending());
        // Nothing outside Cache, whatever the names.
        QVERIFY(!QFileInfo::exists(run.profile.programFolder() + "/evil.tmp"));
    }
    void findsByPartOfName_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("found"); // category/name, in catalogue order
        QTest::newRow("across categories") << "auto"
                                           << "A/rode Auto B/oude auto B/AUTO-auto";
        QTest::newRow("accented capitals") << "CAF\u00C9"
                                           << "A/Caf\u00E9";
        QTest::newRow("folding past Latin-1") << "\u00FFp"
                                              << "B/\u0178PSILON";
        QTest::newRow("euro sign, blank") << "5 \u20AC"
                                          << "A/5 \u20AC";
        QTest::newRow("never across two names") << "ox"
                                                << "";
        QTest::newRow("nothing typed") << ""
                                       << "";
        QTest::newRow("no such name") << "zz"
                                      << "";
    }
    void findsByPartOfName()
    {
        QFETCH(QString, part);
        QFETCH(QString, found);
        ControllerRun run;
        run.profile.world.files =
            lists("A*B", {"Rood*rode Auto*Caf\xE9*5 \x80", "\x9FPSILON*oude auto*xa*AUTO-auto"});
        run.controller.loadCatalogue();
        QVERIFY(waitUntilIdle(run.controller));
        const CatalogueNames& names = run.controller.catalogueNames();
        QStringList shown;
        for (const SkinRef skin : names.find(part))
            shown << names.categories().at(skin.category).text.trimmed() + u'/' + names.name(skin);
        QCOMPARE(shown.join(u' '), found);
    }
    void failedRefreshPutsOldCopiesBack_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("status");
        const QString failed = QStringLiteral("Fout bij het downloaden!");
        QTest::newRow("server gone") << Files() << failed;
        QTest::newRow("a list gone") << lists("New*Gone", {"n"}) << failed;
        QTest::newRow("a list refused")
            << lists("New*Dup", {"n", "n"}) << Prefix + "35602 - Key is not unique in collection";
    }
    void failedRefreshPutsOldCopiesBack()
    {
        QFETCH(Files, files);
        QFETCH(QString, status);
        ControllerRun run(QStringLiteral("loadcache"));
        run.profile.world.files = files;
        const auto listCopies = [&run] { return fileBytesIn(run.profile.cacheFolder(), "*.tmp"); };
        writeFileBytes(run.profile.cacheFolder() + "/voruzide.tmp", "Old");
        writeFileBytes(run.profile.cacheFolder() + "/Old.tmp", "o1");
        // Not list copies: no refresh touches them.
        const QString preview = writeFileBytes(run.profile.cacheFolder() + "/temp.dat", "picture");
        const QString other = writeFileBytes(run.profile.cacheFolder() + "/notes.tmp.txt", "mine");
        run.controller.loadCatalogue();
        QVERIFY(waitUntilIdle(run.controller));
        const auto before = listCopies();

        run.controller.refreshCatalogue();
        QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide"));
        QVERIFY(run.controller.loadingPending());
        run.controller.loadCatalogue();
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(run.log.status, status);
        QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide( Old(o1))"));
        QCOMPARE(listCopies(), before);
        QVERIFY(!QFileInfo::exists(run.profile.cacheFolder() + "/before-refresh"));

        // A refresh that works replaces them, from the server the settings name by then.
        const QString moved = QStringLiteral("http://127.0.0.1:8080/moved/");
        run.profile.setSetting("base", moved);
        run.profile.world.files.insert(moved + "voruzide.txt", "New");
        run.profile.world.files.insert(moved + "New.txt", "n1*n2");
        run.controller.refreshCatalogue();
        run.controller.loadCatalogue();
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(run.log.shape(), QStringLiteral(" VOR Uzide( New(n1,n2))"));
        QCOMPARE(listCopies(),
                 (QMap<QString, QByteArray>{{"New.tmp", "n1*n2"}, {"voruzide.tmp", "New"}}));
        QCOMPARE(readFileBytes(preview) + readFileBytes(other), "picturemine");
    }
    void toolRefuses_data()
    {
        // Paths below the source, or below the profile with a leading "/"; "x>y": x links to y;
        // ">x": the output is x below the profile, else "out".
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected"); // a part of the one problem line
        QTest::newRow("skin twice") << QStringList{"A/zee.gif", "B/zee.gif"}
                                    << "\"zee\" is used twice: \"A/zee.gif\" and \"B/zee.gif\"";
        QTest::newRow("star") << QStringList{"A/x*y.gif"} << "\"A/x*y.gif\" holds \"*\"";
        QTest::newRow("not Windows-1252") << QStringList{"A/\u4e2d.gif"} << "outside Windows-1252";
        QTest::newRow("backslash")
            << QStringList{"A\\B/x.gif"} << "cannot be a file name in the cache";
        QTest::newRow("same folder") << QStringList{"Auto Motor/a.gif", "AutoMotor/b.gif"}
                                     << "share the picture folder \"AutoMotor\"";
        QTest::newRow("address") << QStringList{"A/x#1.gif"} << "breaks its address";
        QTest::newRow("output is the source")
            << QStringList{"A/x.gif", "voruzide.txt", ">src"} << "overlap";
        QTest::newRow("output inside")
            << QStringList{"A/x.gif", "A/voruzide.txt", ">src/A"} << "overlap";
        QTest::newRow("output a link")
            << QStringList{"A/x.gif", "/old/voruzide.txt", "/out>old"} << "symbolic link";
        QTest::newRow("endless skin, a killed run's folder")
            << QStringList{"A/y.gif", "A/x.gif>/dev/zero", "/.out.partial-0123abcd/A.txt"}
            << "no regular file";
        QTest::newRow("skin too large") << QStringList{"A/x.gif>BIG"} << "larger than 64 MiB";
    }
    void toolRefuses()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
#ifdef Q_OS_WIN
        if (!files.filter(QRegularExpression("[*\\\\]|.>(?!BIG)")).isEmpty())
            QSKIP("a name or a link that a Windows folder cannot hold");
#endif
        TestProfile p;
        const QString output = files.last().startsWith('>') ? files.takeLast().mid(1) : "out";
        for (const QString& f : files) {
            const QString path =
                p.path(f.startsWith('/') ? f.mid(1) : "src/" + f).section('>', 0, 0);
            const QString to = f.section('>', 1);
            if (to.isEmpty() || to == "BIG") // sparse: no disk spent
                QVERIFY(QFile::resize(writeFileBytes(path, "GIF89a"), to.isEmpty() ? 6 : 65 << 20));
            else
                QVERIFY(QFile::link(to.startsWith('/') ? to : p.path(to), path));
        }
        const auto everything = [&p] {
            QStringList found;
            QDirIterator it(p.path(""),
                            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                found << it.next();
            found.sort();
            return found;
        };
        // Nothing written, nothing deleted, and a killed run's folders gone.
        const QStringList before = everything().filter(QRegularExpression("^(?!.*\\.partial)"));
        QProcess tool;
        tool.start(DRAPELLO_CATALOGUE_TOOL, {p.path("src"), p.path(output)});
        QVERIFY(tool.waitForFinished(20000));
        const QString said = tool.readAllStandardError(), summary = tool.readAllStandardOutput();
        QVERIFY2(!summary.contains(QRegularExpression("\\b([2-9]|\\d{2,}) problem")),
                 qPrintable(summary));
        QVERIFY2(said.contains(expected), qPrintable(said));
        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(everything(), before);
    }
};

QTEST_GUILESS_MAIN(TestCatalogueLoader)
#include "tst_catalogue_loader.moc"
