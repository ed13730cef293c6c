#include "app/keyed_tree.h"
#include "support/http_test_server.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

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
    void missingCategoryList_data();
    void missingCategoryList();
    void notFoundMarker_data();
    void notFoundMarker();
    void missingCategoryCopy();
    void duplicateSkinNames();
    void longestList_data();
    void longestList();
    void unsafeCategoryName_data();
    void unsafeCategoryName();
    void failedDownloadsKeepOldCopies();
    void refreshWithServerGone();
    void refreshAfterCacheStartDownloads();
    void flushCache();
    void closeDuringPassIsDeferred();
};

void TestCatalogue::fullPass_data()
{
    QTest::addColumn<QByteArray>("categories");
    QTest::addColumn<QStringList>("listNames");
    QTest::addColumn<QList<QByteArray>>("lists");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("shape");

    QTest::newRow("two categories")
        << QByteArray("A*B") << QStringList{QStringLiteral("A"), QStringLiteral("B")}
        << QList<QByteArray>{"x*y", "z"} << 0 << QStringLiteral(" VOR Uzide( A(x,y), B(z))");
    // Slow answers: the timer ticks many times during each download and must not start a
    // second pass.
    QTest::newRow("slow server") << QByteArray("A*B")
                                 << QStringList{QStringLiteral("A"), QStringLiteral("B")}
                                 << QList<QByteArray>{"x*y", "z"} << 60
                                 << QStringLiteral(" VOR Uzide( A(x,y), B(z))");
    QTest::newRow("blanks, empty names, line breaks")
        << QByteArray("Auto Motor*") << QStringList{QStringLiteral("Auto Motor"), QString()}
        << QList<QByteArray>{" Rode Ferrari *\r\nBlauw", ""} << 0
        << QStringLiteral(" VOR Uzide( Auto Motor( Rode Ferrari ,\r\nBlauw), )");
    QTest::newRow("Windows-1252 names")
        << QByteArray("Caf\xE9*\x80")
        << QStringList{QStringLiteral("Caf\u00E9"), QStringLiteral("\u20AC")}
        << QList<QByteArray>{"cr\xE8me", "5\x80"} << 0
        << QStringLiteral(" VOR Uzide( Caf\u00E9(cr\u00E8me), \u20AC(5\u20AC))");
}

void TestCatalogue::fullPass()
{
    QFETCH(QByteArray, categories);
    QFETCH(QStringList, listNames);
    QFETCH(QList<QByteArray>, lists);
    QFETCH(int, delay);
    QFETCH(QString, shape);

    HttpTestServer server;
    server.setDelay(delay);
    server.setFile(QStringLiteral("/voruzide.txt"), categories);
    for (int i = 0; i < listNames.size(); ++i)
        server.setFile(QLatin1Char('/') + listNames[i] + QStringLiteral(".txt"), lists[i]);

    WindowFixture w(server.baseUrl(), true);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), shape);
    QCOMPARE(w.progress(), 0);
    QCOMPARE(w.form->statusText(), Downloaded);
    QCOMPARE(server.requestCount(), 1 + listNames.size());

    // Byte-exact copies; category keys are the name followed by a time of day.
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/voruzide.tmp")), categories);
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    QTreeWidgetItem* root = w.form->TV1->find(QStringLiteral("voruzide"));
    QVERIFY(root);
    for (int i = 0; i < listNames.size(); ++i) {
        QCOMPARE(fileBytes(w.profile.cacheFolder() + QLatin1Char('/') + listNames[i] +
                           QStringLiteral(".tmp")),
                 lists[i]);
        const QString key = KeyedTree::keyOf(root->child(i));
        QVERIFY2(key.startsWith(listNames[i]) &&
                     time.match(key.mid(listNames[i].size())).hasMatch(),
                 qPrintable(key));
        QVERIFY(!root->child(i)->isExpanded());
    }
    QVERIFY(root->isExpanded());
}

void TestCatalogue::fromCacheWithServerStopped()
{
    QString base;
    QStringList cached;
    {
        HttpTestServer server;
        server.setFile(QStringLiteral("/voruzide.txt"), "A*B");
        server.setFile(QStringLiteral("/A.txt"), "x*y");
        server.setFile(QStringLiteral("/B.txt"), "z");
        WindowFixture first(server.baseUrl(), true);
        first.start();
        QVERIFY(first.waitForPass());
        base = server.baseUrl();
        // Reuse the same profile's cache in a second window below.
        for (const QString& name :
             {QStringLiteral("voruzide.tmp"), QStringLiteral("A.tmp"), QStringLiteral("B.tmp")})
            cached << QString::fromLatin1(
                fileBytes(first.profile.cacheFolder() + QLatin1Char('/') + name));
    }
    for (const QString& commandLine : {QString(), QStringLiteral("LoadCache")}) {
        HttpTestServer server;
        const QString stoppedBase = server.baseUrl();
        server.stop();
        WindowFixture w(stoppedBase, commandLine.isEmpty() ? false : true);
        w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), cached[0].toLatin1());
        w.profile.writeFile(QStringLiteral("program/Cache/A.tmp"), cached[1].toLatin1());
        w.profile.writeFile(QStringLiteral("program/Cache/B.tmp"), cached[2].toLatin1());
        w.start(commandLine);
        QVERIFY(w.waitForPass());
        QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x,y), B(z))"));
        QCOMPARE(server.requestCount(), 0);
        QCOMPARE(w.progress(), 0);
    }
}

void TestCatalogue::missingCategoryList_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("server answers 404") << true;
    QTest::newRow("cache mode, empty cache") << false;
}

void TestCatalogue::missingCategoryList()
{
    QFETCH(bool, download);
    HttpTestServer server;
    WindowFixture w(server.baseUrl(), download);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.form->statusText(), Missing);
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide"));
    QCOMPARE(w.progress(), 0);
    QCOMPARE(server.requestCount(), download ? 1 : 0);
    QVERIFY(QDir(w.profile.cacheFolder()).exists());
    QCOMPARE(QDir(w.profile.cacheFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestCatalogue::notFoundMarker_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("shape");
    QTest::newRow("exact") << QByteArray("notfound") << QStringLiteral("Error 404: File Not Found")
                           << QStringLiteral(" VOR Uzide");
    // Not the marker: one category whose name ends in a line break, which may not become a file.
    QTest::newRow("with line break")
        << QByteArray("notfound\r\n")
        << QStringLiteral("Fout opgetreden: 52 - Bad file name or number: \"notfound\r\n\" cannot "
                          "be stored in the cache")
        << QStringLiteral(" VOR Uzide( notfound\r\n)");
}

void TestCatalogue::notFoundMarker()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, status);
    QFETCH(QString, shape);
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), text);
    WindowFixture w(server.baseUrl(), true);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.form->statusText(), status);
    QCOMPARE(w.treeShape(), shape);
    QCOMPARE(server.requestCount(), 1);
}

void TestCatalogue::missingCategoryCopy()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "A*B*C");
    server.setFile(QStringLiteral("/A.txt"), "x*y");
    server.setFile(QStringLiteral("/C.txt"), "z");
    WindowFixture w(server.baseUrl(), true);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x,y), B)"));
    QCOMPARE(w.form->statusText(), Missing);
    QCOMPARE(w.progress(), 0);
    QCOMPARE(server.requestedPaths(),
             (QStringList{QStringLiteral("/voruzide.txt"), QStringLiteral("/A.txt"),
                          QStringLiteral("/B.txt")}));
}

void TestCatalogue::duplicateSkinNames()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "A*B*C");
    server.setFile(QStringLiteral("/A.txt"), "x*y");
    server.setFile(QStringLiteral("/B.txt"), "z*x*w");
    server.setFile(QStringLiteral("/C.txt"), "v");
    WindowFixture w(server.baseUrl(), true);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x,y), B(z))"));
    QVERIFY2(w.form->statusText().startsWith(QStringLiteral("Fout opgetreden: 35602 - ")),
             qPrintable(w.form->statusText()));
    QVERIFY(w.progress() > 0); // the error path leaves the bar
    QCOMPARE(server.requestCount(), 3);
}

void TestCatalogue::longestList_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("32,767 skins fit") << 32767;
    QTest::newRow("32,768 skins overflow") << 32768;
}

void TestCatalogue::longestList()
{
    QFETCH(int, count);
    QByteArray skins = "s0";
    for (int i = 1; i < count; ++i)
        skins += "*s" + QByteArray::number(i);
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "A*B*C");
    server.setFile(QStringLiteral("/A.txt"), "x");
    server.setFile(QStringLiteral("/B.txt"), skins);
    server.setFile(QStringLiteral("/C.txt"), "y");
    WindowFixture w(server.baseUrl(), true);
    w.start();
    QVERIFY(w.waitForPass());
    QTreeWidgetItem* b = w.form->TV1->find(QStringLiteral("s0"));
    if (count <= 32767) {
        QVERIFY(b);
        QCOMPARE(b->parent()->childCount(), count);
        QCOMPARE(b->parent()->child(count - 1)->text(0), QStringLiteral("s%1").arg(count - 1));
        QCOMPARE(w.form->TV1->nodeCount(), 1 + 3 + 1 + count + 1);
        QCOMPARE(w.form->statusText(), Downloaded);
    } else {
        // The whole list is refused before any of its names becomes a node.
        QVERIFY(!b);
        QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x), B)"));
        QCOMPARE(w.form->statusText(), QStringLiteral("Fout opgetreden: 6 - Overflow"));
        QVERIFY(!w.form->loading->isActive());
    }
}

void TestCatalogue::unsafeCategoryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("download");
    for (const char* name :
         {"../evil", "..\\evil", "sub/evil", "/tmp/drapello-evil", ".", "..", "tab\tname"}) {
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
    server.setFile(QStringLiteral("/voruzide.txt"), list);
    server.setFile(QStringLiteral("/A.txt"), "x");
    server.setFile(QStringLiteral("/B.txt"), "y");
    server.setFile(QLatin1Char('/') + name + QStringLiteral(".txt"), "stolen");
    WindowFixture w(server.baseUrl(), download);
    if (!download) {
        w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), list);
        w.profile.writeFile(QStringLiteral("program/Cache/A.tmp"), "x");
        w.profile.writeFile(QStringLiteral("program/evil.tmp"), "planted");
    }
    const QStringList before = w.filesInProfile();
    w.start();
    QVERIFY(w.waitForPass());

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

void TestCatalogue::failedDownloadsKeepOldCopies()
{
    HttpTestServer server;
    server.answerStatus(QStringLiteral("/voruzide.txt"), 500);
    server.dropMidBody(QStringLiteral("/A.txt"), QByteArray(3000, 'n'));
    server.setFile(QStringLiteral("/B.txt"), "fresh");
    server.stall(QStringLiteral("/C.txt"));
    WindowFixture w(server.baseUrl(), true);
    w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), "A*B*C");
    w.profile.writeFile(QStringLiteral("program/Cache/A.tmp"), "old1*old2");
    w.profile.writeFile(QStringLiteral("program/Cache/B.tmp"), "stale");
    w.profile.writeFile(QStringLiteral("program/Cache/C.tmp"), "kept");
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(old1,old2), B(fresh), C(kept))"));
    QCOMPARE(w.form->statusText(), QStringLiteral("Fout bij het downloaden!"));
    QCOMPARE(w.progress(), 0);
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/A.tmp")),
             QByteArray("old1*old2"));
    QCOMPARE(QDir(w.profile.cacheFolder()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("A.tmp"), QStringLiteral("B.tmp"), QStringLiteral("C.tmp"),
                          QStringLiteral("voruzide.tmp")}));
}

void TestCatalogue::refreshWithServerGone()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "A");
    server.setFile(QStringLiteral("/A.txt"), "x");
    WindowFixture w(server.baseUrl(), true);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x))"));
    w.profile.writeFile(QStringLiteral("program/Cache/temp.dat"), "picture");
    w.form->enableInstall();
    server.stop();

    w.form->menu.update->trigger();
    // Before the tick: the root alone, no list copies, the timer armed.
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide"));
    QCOMPARE(w.form->TV1->nodeCount(), 1);
    QCOMPARE(QDir(w.profile.cacheFolder()).entryList(QDir::Files),
             QStringList{QStringLiteral("temp.dat")});
    QVERIFY(w.form->loading->isActive());
    QVERIFY(!w.form->useCache);

    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide"));
    QCOMPARE(w.form->statusText(), Missing);
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/temp.dat")),
             QByteArray("picture"));
    QVERIFY(w.form->SetSkin->isEnabled());
}

void TestCatalogue::refreshAfterCacheStartDownloads()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "New");
    server.setFile(QStringLiteral("/New.txt"), "n1*n2");
    WindowFixture w(server.baseUrl(), true);
    w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), "Old");
    w.profile.writeFile(QStringLiteral("program/Cache/Old.tmp"), "o1");
    w.start(QStringLiteral("loadcache"));
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( Old(o1))"));
    QCOMPARE(server.requestCount(), 0);

    for (int round = 0; round < 2; ++round) {
        w.form->menu.update->trigger();
        QVERIFY(w.waitForPass());
        QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( New(n1,n2))"));
        QCOMPARE(QDir(w.profile.cacheFolder()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("New.tmp"), QStringLiteral("voruzide.tmp")}));
    }
    QCOMPARE(server.requestCount(), 4);
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
    QCOMPARE(QDir(w.profile.cacheFolder()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("notes.txt"), QStringLiteral("temp.dat")}));
    QVERIFY(QFile::exists(w.profile.programFolder() + QStringLiteral("/outside.tmp")));
    QCOMPARE(w.form->statusText(), QStringLiteral("Drapello geladen..."));
}

void TestCatalogue::closeDuringPassIsDeferred()
{
    HttpTestServer server;
    server.setDelay(150);
    server.setFile(QStringLiteral("/voruzide.txt"), "A*B");
    server.setFile(QStringLiteral("/A.txt"), "x");
    server.setFile(QStringLiteral("/B.txt"), "y");
    WindowFixture w(server.baseUrl(), true);
    w.start();
    w.form->show();
    bool closedDuringPass = true;
    bool asked = false;
    QTimer::singleShot(50, w.form.get(), [&] {
        asked = true;
        closedDuringPass = w.form->close();
    });
    QVERIFY(w.waitForPass());
    QVERIFY(asked);
    QVERIFY(!closedDuringPass);
    // The pass ran to its end, then the window closed.
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(x), B(y))"));
    QTRY_VERIFY(!w.form->isVisible());
}

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
