#include "app/keyed_tree.h"
#include "support/http_test_server.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {
using Files = QMap<QString, QByteArray>;
const QString Downloaded = QStringLiteral("Skinlijst succesvol gedownload!");
const QString Missing = QStringLiteral("Skinlijst ontbreekt. Update de skinlijst!");
} // namespace

// The catalogue: loading pass in both modes, its failure exits, refresh and emptying the cache.
class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullPass_data();
    void fullPass();
    void fromCacheWithServerStopped();
    void passEndsEarly_data();
    void passEndsEarly();
    void hostileLists_data();
    void hostileLists();
    void unsafeCategoryName_data();
    void unsafeCategoryName();
    void refresh();
    void failedRefreshKeepsCatalogue_data();
    void failedRefreshKeepsCatalogue();
    void flushCache();
};

void TestCatalogue::fullPass_data()
{
    QTest::addColumn<QByteArray>("categories");
    QTest::addColumn<Files>("lists"); // by category name
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("shape");

    const Files ab{{QStringLiteral("A"), "x*y"}, {QStringLiteral("B"), "z"}};
    QTest::newRow("two categories")
        << QByteArray("A*B") << ab << 0 << QStringLiteral(" VOR Uzide( A(x,y), B(z))");
    // Slow answers: the timer ticks many times during each download and must not start a
    // second pass.
    QTest::newRow("slow server") << QByteArray("A*B") << ab << 60
                                 << QStringLiteral(" VOR Uzide( A(x,y), B(z))");
    QTest::newRow("blanks, empty names, line breaks")
        << QByteArray("Auto Motor*")
        << Files{{QStringLiteral("Auto Motor"), " Rode Ferrari *\r\nBlauw"}, {QString(), ""}} << 0
        << QStringLiteral(" VOR Uzide( Auto Motor( Rode Ferrari ,\r\nBlauw), )");
    QTest::newRow("Windows-1252 names")
        << QByteArray("Caf\xE9*\x80")
        << Files{{QStringLiteral("Caf\u00E9"), "cr\xE8me"}, {QStringLiteral("\u20AC"), "5\x80"}}
        << 0 << QStringLiteral(" VOR Uzide( Caf\u00E9(cr\u00E8me), \u20AC(5\u20AC))");
}

void TestCatalogue::fullPass()
{
    QFETCH(QByteArray, categories);
    QFETCH(Files, lists);
    QFETCH(int, delay);
    QFETCH(QString, shape);

    HttpTestServer server;
    server.setDelay(delay);
    server.setFile(QStringLiteral("/voruzide.txt"), categories);
    for (auto it = lists.cbegin(); it != lists.cend(); ++it)
        server.setFile(QLatin1Char('/') + it.key() + QStringLiteral(".txt"), it.value());

    WindowFixture w(server.baseUrl(), true);
    QVERIFY(w.runPass());
    QCOMPARE(w.treeShape(), shape);
    QCOMPARE(w.progress(), 0);
    QCOMPARE(w.form->statusText(), Downloaded);
    QCOMPARE(server.requestCount(), 1 + lists.size());

    // Byte-exact copies; category keys are the name followed by a time of day.
    QCOMPARE(w.cached(QStringLiteral("voruzide.tmp")), categories);
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    QTreeWidgetItem* root = w.form->TV1->find(QStringLiteral("voruzide"));
    QVERIFY(root && root->isExpanded());
    QCOMPARE(root->childCount(), lists.size());
    for (int i = 0; i < root->childCount(); ++i) {
        const QString name = root->child(i)->text(0).mid(1);
        QCOMPARE(w.cached(name + QStringLiteral(".tmp")), lists.value(name, "<not served>"));
        const QString key = KeyedTree::keyOf(root->child(i));
        QVERIFY2(key.chopped(8) == name && time.match(key.right(8)).hasMatch(), qPrintable(key));
        QVERIFY(!root->child(i)->isExpanded());
    }
}

void TestCatalogue::fromCacheWithServerStopped()
{
    for (const QString& commandLine : {QString(), QStringLiteral("LoadCache")}) {
        HttpTestServer server;
        server.stop();
        WindowFixture w(server.baseUrl(), !commandLine.isEmpty());
        w.seedCache({{QStringLiteral("voruzide.tmp"), "A*B"},
                     {QStringLiteral("A.tmp"), "x*y"},
                     {QStringLiteral("B.tmp"), "z"}});
        QVERIFY(w.runPass(commandLine));
        QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x,y), B(z))"));
        QCOMPARE(server.requestCount(), 0);
        QCOMPARE(w.progress(), 0);
    }
}

// Passes that stop before the last list: what the tree, status bar and server saw.
void TestCatalogue::passEndsEarly_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<Files>("served");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("status"); // a prefix of the status text
    QTest::addColumn<QStringList>("requested");

    const QString root = QStringLiteral(" VOR Uzide");
    const QString voruzide = QStringLiteral("/voruzide.txt");
    QTest::newRow("category list 404")
        << true << Files() << root << Missing << QStringList{voruzide};
    QTest::newRow("cache mode, empty cache")
        << false << Files() << root << Missing << QStringList();
    QTest::newRow("notfound marker")
        << true << Files{{QStringLiteral("voruzide.txt"), "notfound"}} << root
        << QStringLiteral("Error 404: File Not Found") << QStringList{voruzide};
    QTest::newRow("one list missing")
        << true
        << Files{{QStringLiteral("voruzide.txt"), "A*B*C"},
                 {QStringLiteral("A.txt"), "x*y"},
                 {QStringLiteral("C.txt"), "z"}}
        << QStringLiteral(" VOR Uzide( A(x,y), B)") << Missing
        << QStringList{voruzide, QStringLiteral("/A.txt"), QStringLiteral("/B.txt")};
    QTest::newRow("skin name twice")
        << true
        << Files{{QStringLiteral("voruzide.txt"), "A*B*C"},
                 {QStringLiteral("A.txt"), "x*y"},
                 {QStringLiteral("B.txt"), "z*x*w"},
                 {QStringLiteral("C.txt"), "v"}}
        << QStringLiteral(" VOR Uzide( A(x,y), B(z))")
        << QStringLiteral("Fout opgetreden: 35602 - ")
        << QStringList{voruzide, QStringLiteral("/A.txt"), QStringLiteral("/B.txt")};
}

void TestCatalogue::passEndsEarly()
{
    QFETCH(bool, download);
    QFETCH(Files, served);
    QFETCH(QString, shape);
    QFETCH(QString, status);
    QFETCH(QStringList, requested);
    HttpTestServer server;
    serveFiles(server, served);
    WindowFixture w(server.baseUrl(), download);
    QVERIFY(w.runPass());
    QVERIFY2(w.form->statusText().startsWith(status), qPrintable(w.form->statusText()));
    QCOMPARE(w.treeShape(), shape);
    QCOMPARE(server.requestedPaths(), requested);
    if (status == Missing)
        QCOMPARE(w.progress(), 0);
    if (served.isEmpty()) {
        QVERIFY(QDir(w.profile.cacheFolder()).exists());
        QCOMPARE(w.cacheFiles(), QStringList());
    }
}

namespace {
// "p0*p1*...": count distinct names, or count empty ones for a negative count.
QByteArray manyNames(const char* prefix, int count)
{
    QByteArray list = count > 0 ? prefix + QByteArray("0") : "";
    for (int i = 1; i < qAbs(count); ++i)
        list += count > 0 ? "*" + (prefix + QByteArray::number(i)) : "*";
    return list;
}
} // namespace

// What a server may send that no real catalogue holds: each is refused whole, before any of its
// names becomes a node, with the error of its kind.
void TestCatalogue::hostileLists_data()
{
    QTest::addColumn<QByteArray>("categories");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<QString>("status"); // a prefix of the status text
    QTest::addColumn<int>("nodes");
    const QString overflow = QStringLiteral("Fout opgetreden: 6 - Overflow");
    const QString badName = QStringLiteral("Fout opgetreden: 52 - ");
    const QByteArray abc("A*B*C");
    const QByteArray name255(255, 'n');

    QTest::newRow("32,767 skins fit")
        << abc << QByteArray("x") << manyNames("s", 32767) << Downloaded << 1 + 3 + 1 + 32767 + 1;
    QTest::newRow("32,768 skins") << abc << QByteArray("x") << manyNames("s", 32768) << overflow
                                  << 4;
    QTest::newRow("32,768 empty names")
        << abc << QByteArray("x") << manyNames("s", -32768) << overflow << 4;
    QTest::newRow("a name of 255 bytes fits")
        << abc << QByteArray("x") << "s*" + name255 << Downloaded << 1 + 3 + 1 + 2 + 1;
    QTest::newRow("a skin name of 256 bytes")
        << abc << QByteArray("x") << "s*" + name255 + "n" << badName << 4;
    QTest::newRow("a category name of 256 bytes")
        << "A*" + name255 + "n*C" << QByteArray("x") << QByteArray("y") << badName << 1;
    QTest::newRow("a list over 8 MiB")
        << abc << QByteArray("x") << QByteArray(8 * 1024 * 1024 + 1, 'n') << overflow << 4;
    QTest::newRow("a tree over 65,536 nodes")
        << abc << manyNames("a", 32767) << manyNames("b", 32767) << overflow << 32770;
}

void TestCatalogue::hostileLists()
{
    QFETCH(QByteArray, categories);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QString, status);
    QFETCH(int, nodes);
    HttpTestServer server;
    serveFiles(server, {{QStringLiteral("voruzide.txt"), categories},
                        {QStringLiteral("A.txt"), a},
                        {QStringLiteral("B.txt"), b},
                        {QStringLiteral("C.txt"), "y"}});
    WindowFixture w(server.baseUrl(), true);
    QVERIFY(w.runPass());
    QVERIFY2(w.form->statusText().startsWith(status), qPrintable(w.form->statusText().left(200)));
    QCOMPARE(w.form->TV1->nodeCount(), nodes);
    // What fits is there whole, in order.
    const QList<QByteArray> names = b.split('*');
    if (status == Downloaded)
        QCOMPARE(w.form->TV1->node(nodes - 2)->text(0), QString::fromLatin1(names.last()));
}

void TestCatalogue::unsafeCategoryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("download");
    for (const char* name :
         {"../evil", "..\\evil", "/tmp/drapello-evil", ".."}) { // all kinds: tst_list_format
        QTest::addRow("%s, download", name) << QString::fromLatin1(name) << true;
        QTest::addRow("%s, cache", name) << QString::fromLatin1(name) << false;
    }
}

void TestCatalogue::unsafeCategoryName()
{
    QFETCH(QString, name);
    QFETCH(bool, download);
    HttpTestServer server;
    const QByteArray list = "A*" + name.toLatin1() + "*B";
    serveFiles(server, {{QStringLiteral("voruzide.txt"), list},
                        {QStringLiteral("A.txt"), "x"},
                        {QStringLiteral("B.txt"), "y"},
                        {name + QStringLiteral(".txt"), "stolen"}});
    WindowFixture w(server.baseUrl(), download);
    if (!download) {
        w.seedCache({{QStringLiteral("voruzide.tmp"), list}, {QStringLiteral("A.tmp"), "x"}});
        w.profile.writeFile(QStringLiteral("program/evil.tmp"), "planted");
    }
    const QStringList before = w.filesInProfile();
    QVERIFY(w.runPass());

    QVERIFY2(w.form->statusText().startsWith(QStringLiteral("Fout opgetreden: 52 - ")),
             qPrintable(w.form->statusText()));
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x), ") + name + QLatin1Char(')'));
    QStringList expected = before;
    if (download) {
        expected << QStringLiteral("program/Cache/A.tmp")
                 << QStringLiteral("program/Cache/voruzide.tmp");
        expected.sort();
    }
    QCOMPARE(w.filesInProfile(), expected);
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/drapello-evil.tmp")));
    QCOMPARE(server.requestCount(), download ? 2 : 0);
}

namespace {
QStringList listCopies(const WindowFixture& w)
{
    // Everything below Cache, with its bytes: a copy kept aside counts too.
    QStringList copies;
    for (const QString& file : w.filesInProfile()) {
        if (file.startsWith(QStringLiteral("program/Cache/")))
            copies << file.mid(14) + QLatin1Char('=') +
                          QString::fromLatin1(
                              readFileBytes(w.profile.root() + QLatin1Char('/') + file));
    }
    return copies;
}
} // namespace

// A refresh after a start from the cache downloads; the copies of lists the server no longer
// names go.
void TestCatalogue::refresh()
{
    HttpTestServer server;
    serveFiles(server,
               {{QStringLiteral("voruzide.txt"), "New"}, {QStringLiteral("New.txt"), "n1*n2"}});
    WindowFixture w(server.baseUrl(), true);
    w.seedCache({{QStringLiteral("voruzide.tmp"), "Old"}, {QStringLiteral("Old.tmp"), "o1"}});
    QVERIFY(w.runPass(QStringLiteral("loadcache")));
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( Old(o1))"));
    QCOMPARE(server.requestCount(), 0);

    for (int round = 0; round < 2; ++round) {
        w.form->menu.update->trigger();
        QVERIFY(w.waitForPass());
        QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( New(n1,n2))"));
        QCOMPARE(listCopies(w), (QStringList{QStringLiteral("New.tmp=n1*n2"),
                                             QStringLiteral("voruzide.tmp=New")}));
    }
    QCOMPARE(server.requestCount(), 4);
}

// A refresh that fails half-way or at once, or that the program's end cuts short, leaves the
// list copies and the tree as they were before it, and says what failed; the preview stays.
void TestCatalogue::failedRefreshKeepsCatalogue_data()
{
    QTest::addColumn<Files>("served"); // empty: the server is gone
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("requested");
    const QString voruzide = QStringLiteral("/voruzide.txt");
    QTest::newRow("server gone") << Files() << Missing << QStringList();
    QTest::newRow("program ended, started from the cache")
        << Files() << QStringLiteral("Geladen") << QStringList();
    QTest::newRow("second list missing")
        << Files{{QStringLiteral("voruzide.txt"), "New*Gone"}, {QStringLiteral("New.txt"), "n"}}
        << Missing
        << QStringList{voruzide, QStringLiteral("/New.txt"), QStringLiteral("/Gone.txt")};
    QTest::newRow("catalogue refused")
        << Files{{QStringLiteral("voruzide.txt"), "New*Dup"},
                 {QStringLiteral("New.txt"), "n"},
                 {QStringLiteral("Dup.txt"), "n"}}
        << QStringLiteral("Fout opgetreden: 35602 - ")
        << QStringList{voruzide, QStringLiteral("/New.txt"), QStringLiteral("/Dup.txt")};
}

void TestCatalogue::failedRefreshKeepsCatalogue()
{
    QFETCH(Files, served);
    QFETCH(QString, status);
    QFETCH(QStringList, requested);
    HttpTestServer server;
    serveFiles(server, served);
    if (served.isEmpty())
        server.stop();
    WindowFixture w(server.baseUrl(), false);
    w.seedCache({{QStringLiteral("voruzide.tmp"), "Old*Other"},
                 {QStringLiteral("Old.tmp"), "o1*o2"},
                 {QStringLiteral("Other.tmp"), "o3"},
                 {QStringLiteral("Stale.tmp"), "s"},
                 {QStringLiteral("temp.dat"), "picture"}});
    QVERIFY(w.runPass());
    const QString shape = QStringLiteral(" VOR Uzide( Old(o1,o2), Other(o3))");
    QCOMPARE(w.treeShape(), shape);
    const QStringList before = listCopies(w);
    w.form->enableInstall();

    w.form->menu.update->trigger();
    // Before the tick: the root alone, no list copies in Cache, the timer armed.
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide"));
    QCOMPARE(w.cacheFiles(), QStringList{QStringLiteral("temp.dat")});
    QVERIFY(w.form->loading->isActive());
    QVERIFY(!w.form->useCache);

    if (QTest::currentDataTag() == QByteArray("program ended, started from the cache")) {
        w.form = std::make_unique<Form1>(w.platform);
        QVERIFY(w.runPass(QStringLiteral("loadcache")));
    } else {
        QVERIFY(w.waitForPass());
        QVERIFY(w.form->SetSkin->isEnabled());
    }
    QVERIFY2(w.form->statusText().startsWith(status), qPrintable(w.form->statusText()));
    QCOMPARE(server.requestedPaths(), requested);
    QCOMPARE(w.treeShape(), shape);
    QCOMPARE(listCopies(w), before);
    QVERIFY(!w.form->loading->isActive());
}

void TestCatalogue::flushCache()
{
    HttpTestServer server;
    WindowFixture w(server.baseUrl(), false);
    w.form->FlushCache(); // no Cache folder: nothing happens
    QVERIFY(!QDir(w.profile.cacheFolder()).exists());

    for (const char* name :
         {"voruzide.tmp", "A.tmp", "Auto Motor.tmp", ".tmp", "temp.dat", "notes.txt"})
        w.profile.writeFile(QStringLiteral("program/Cache/") + QString::fromLatin1(name), "x");
    w.profile.writeFile(QStringLiteral("program/outside.tmp"), "x");
    w.form->FlushCache();
    QCOMPARE(w.cacheFiles(),
             (QStringList{QStringLiteral("notes.txt"), QStringLiteral("temp.dat")}));
    QVERIFY(QFile::exists(w.profile.programFolder() + QStringLiteral("/outside.tmp")));
    QCOMPARE(w.form->statusText(), QStringLiteral("Drapello geladen..."));
}

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
