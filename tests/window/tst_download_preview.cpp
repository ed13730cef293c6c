#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "support/http_test_server.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QString Failed = QStringLiteral("Fout bij het downloaden!");
const QString Loaded = QStringLiteral("Geladen");

// A window whose start-up pass has run (and failed quietly on an empty cache), with a tree of
// one category " Auto Motor" holding the skins given.
void prepareTree(WindowFixture& w, const QStringList& skins)
{
    w.start();
    QVERIFY(w.waitForPass());
    w.form->TV1->addNode(QStringLiteral("voruzide"), QStringLiteral("Auto Motor12:00:00"),
                         QStringLiteral(" Auto Motor"));
    for (const QString& skin : skins)
        w.form->TV1->addNode(QStringLiteral("Auto Motor12:00:00"), skin, skin);
    w.form->setStatus(QStringLiteral("ready"));
}

// A click as the tree delivers it: through the command runner.
void click(WindowFixture& w, const QString& key)
{
    QTreeWidgetItem* node = w.form->TV1->find(key);
    QVERIFY(node);
    Q_EMIT w.form->TV1->itemClicked(node, 0);
}
} // namespace

// Downloading one file, and the preview of a clicked skin.
class TestDownloadPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadTrimsBlanks();
    void downloadFailure_data();
    void downloadFailure();
    void previewShowsPicture_data();
    void previewShowsPicture();
    void previewAfterFailedDownload_data();
    void previewAfterFailedDownload();
    void clickOnRootOrCategory_data();
    void clickOnRootOrCategory();
    void previewWithoutCacheFolderAccess();
};

void TestDownloadPreview::downloadTrimsBlanks()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/a b.txt"), "content");
    WindowFixture w(server.baseUrl(), false);
    w.start();
    QVERIFY(w.waitForPass());
    QDir().mkpath(w.profile.cacheFolder());
    w.form->runCommand([&] {
        w.form->downloadfile(QStringLiteral("  ") + server.baseUrl() + QStringLiteral("a b.txt  "),
                             QStringLiteral(" ") + w.profile.cacheFolder() +
                                 QStringLiteral("/x y.tmp "),
                             QStringLiteral("done"));
    });
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/x y.tmp")),
             QByteArray("content"));
    QCOMPARE(w.form->statusText(), QStringLiteral("done"));
    QCOMPARE(w.progress(), 0);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(server.rawRequestPaths(), QList<QByteArray>{QByteArray("/a%20b.txt")});
}

void TestDownloadPreview::downloadFailure_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("stalling server") << QStringLiteral("stall");
    QTest::newRow("server gone") << QStringLiteral("gone");
    QTest::newRow("404") << QStringLiteral("404");
}

void TestDownloadPreview::downloadFailure()
{
    QFETCH(QString, fault);
    HttpTestServer server;
    if (fault == QLatin1String("stall"))
        server.stall(QStringLiteral("/x.txt"));
    WindowFixture w(server.baseUrl(), false, 1000);
    w.start();
    QVERIFY(w.waitForPass());
    if (fault == QLatin1String("gone"))
        server.stop();
    w.profile.writeFile(QStringLiteral("program/Cache/x.tmp"), "old");
    w.form->add(1);
    bool nextStepRan = false;
    w.form->runCommand([&] {
        w.form->downloadfile(server.baseUrl() + QStringLiteral("x.txt"),
                             w.profile.cacheFolder() + QStringLiteral("/x.tmp"),
                             QStringLiteral("done"));
        nextStepRan = true;
    });
    QVERIFY(nextStepRan);
    QCOMPARE(w.form->statusText(), Failed);
    QCOMPARE(w.progress(), 20); // one step further, not reset
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/x.tmp")), QByteArray("old"));
    QCOMPARE(QDir(w.profile.cacheFolder()).entryList(QDir::Files),
             QStringList{QStringLiteral("x.tmp")});
}

void TestDownloadPreview::previewShowsPicture_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("animated");
    QTest::newRow("gif") << makeGif(1) << QSize(8, 8) << false;
    QTest::newRow("animated gif") << makeGif(3) << QSize(8, 8) << true;
    QTest::newRow("png") << makePicture("PNG", 20, 10) << QSize(20, 10) << false;
    QTest::newRow("jpeg") << makePicture("JPEG", 30, 12) << QSize(30, 12) << false;
    QTest::newRow("bmp") << makePicture("BMP", 16, 16) << QSize(16, 16) << false;
}

void TestDownloadPreview::previewShowsPicture()
{
    QFETCH(QByteArray, picture);
    QFETCH(QSize, size);
    QFETCH(bool, animated);
    HttpTestServer server;
    server.setFile(QStringLiteral("/AutoMotor/Rode Ferrari .gif"), picture);
    WindowFixture w(server.baseUrl(), false);
    prepareTree(w, {QStringLiteral("Rode Ferrari ")});
    w.form->skinFile = QStringLiteral("/somewhere/picked.gif");

    for (int round = 1; round <= 2; ++round) {
        click(w, QStringLiteral("Rode Ferrari "));
        QCOMPARE(w.form->statusText(), Loaded);
        QCOMPARE(w.progress(), 0);
        QVERIFY(w.form->skinFile.isEmpty());
        QVERIFY(w.form->SetSkin->isEnabled());
        QVERIFY(w.form->menu.skin->isEnabled());
        QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/temp.dat")), picture);
        QCOMPARE(w.form->scrSkin->currentImage().size(), size);
        QCOMPARE(w.form->scrSkin->isAnimated(), animated);
        QCOMPARE(server.requestCount(), round);
    }
    QCOMPARE(server.rawRequestPaths().value(0), QByteArray("/AutoMotor/Rode%20Ferrari%20.gif"));
}

void TestDownloadPreview::previewAfterFailedDownload_data()
{
    QTest::addColumn<QByteArray>("earlier"); // temp.dat before the click; empty: none
    QTest::addColumn<bool>("shown");
    QTest::newRow("earlier picture") << makePicture("PNG", 5, 7) << true;
    QTest::newRow("no temp.dat") << QByteArray() << false;
    QTest::newRow("temp.dat no picture") << QByteArray("<html>not found</html>") << false;
}

void TestDownloadPreview::previewAfterFailedDownload()
{
    QFETCH(QByteArray, earlier);
    QFETCH(bool, shown);
    HttpTestServer server;
    server.answerStatus(QStringLiteral("/AutoMotor/x.gif"), 404);
    WindowFixture w(server.baseUrl(), false);
    prepareTree(w, {QStringLiteral("x")});
    if (!earlier.isEmpty())
        w.profile.writeFile(QStringLiteral("program/Cache/temp.dat"), earlier);
    const QImage before = w.form->scrSkin->currentImage();
    w.form->loading->start();

    click(w, QStringLiteral("x"));
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(w.form->statusText(), Loaded);
    QCOMPARE(w.progress(), 0);
    QVERIFY(w.form->SetSkin->isEnabled());
    if (shown) {
        QCOMPARE(w.form->scrSkin->currentImage().size(), QSize(5, 7));
        QVERIFY(w.form->loading->isActive());
    } else {
        // The error line stopped the loading timer; the picture shown before stays.
        QCOMPARE(w.form->scrSkin->currentImage(), before);
        QVERIFY(!w.form->loading->isActive());
    }
    if (!earlier.isEmpty())
        QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/temp.dat")), earlier);
    else
        QVERIFY(!QFile::exists(w.profile.cacheFolder() + QStringLiteral("/temp.dat")));
}

void TestDownloadPreview::clickOnRootOrCategory_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("root") << QStringLiteral("voruzide");
    QTest::newRow("category") << QStringLiteral("Auto Motor12:00:00");
    QTest::newRow("skin with leading blank") << QStringLiteral(" blank");
}

void TestDownloadPreview::clickOnRootOrCategory()
{
    QFETCH(QString, key);
    HttpTestServer server;
    WindowFixture w(server.baseUrl(), false);
    prepareTree(w, {QStringLiteral(" blank")});
    QDir(w.profile.cacheFolder()).removeRecursively();
    w.form->skinFile = QStringLiteral("/somewhere/picked.gif");
    w.form->add(1);

    click(w, key);
    QVERIFY(w.form->skinFile.isEmpty());
    QVERIFY(QDir(w.profile.cacheFolder()).exists());
    QCOMPARE(w.form->statusText(), QStringLiteral("ready"));
    QCOMPARE(w.progress(), 10);
    QVERIFY(!w.form->SetSkin->isEnabled());
    QCOMPARE(server.requestCount(), 0);
}

void TestDownloadPreview::previewWithoutCacheFolderAccess()
{
    // A file where the Cache folder should be: the folder cannot be made, the click fails.
    HttpTestServer server;
    server.setFile(QStringLiteral("/AutoMotor/x.gif"), makeGif(1));
    WindowFixture w(server.baseUrl(), false);
    prepareTree(w, {QStringLiteral("x")});
    QDir(w.profile.cacheFolder()).removeRecursively();
    w.profile.writeFile(QStringLiteral("program/Cache"), "a file");
    w.form->add(1);

    click(w, QStringLiteral("x"));
    QCOMPARE(w.form->statusText(), Failed);
    QCOMPARE(w.progress(), 0);
    QVERIFY(!w.form->SetSkin->isEnabled());
    QCOMPARE(server.requestCount(), 0);
}

QTEST_MAIN(TestDownloadPreview)
#include "tst_download_preview.moc"
