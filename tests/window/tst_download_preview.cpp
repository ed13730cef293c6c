#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "support/http_test_server.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString Failed = QStringLiteral("Fout bij het downloaden!");
const QString Loaded = QStringLiteral("Geladen");

// A window whose start-up pass has run (and failed quietly on an empty cache), with a tree of
// one category " Auto Motor" holding the skins given.
void prepareTree(WindowFixture& w, const QStringList& skins)
{
    QVERIFY(w.runPass());
    w.form->TV1->addNode(QStringLiteral("voruzide"), QStringLiteral("Auto Motor12:00:00"),
                         QStringLiteral(" Auto Motor"));
    for (const QString& skin : skins)
        w.form->TV1->addNode(QStringLiteral("Auto Motor12:00:00"), skin, skin);
    w.form->setStatus(QStringLiteral("ready"));
}

} // namespace

// Downloading one file, and the preview of a clicked skin.
class TestDownloadPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void download_data();
    void download();
    void previewShowsPicture_data();
    void previewShowsPicture();
    void clickWithoutPreview_data();
    void clickWithoutPreview();
};

// Blanks around the address and the path are dropped; a failed download (each fetcher fault:
// tst_network_fetcher) is reported, keeps the old copy and lets the caller's next step run.
void TestDownloadPreview::download_data()
{
    QTest::addColumn<bool>("served");
    QTest::newRow("blanks around both") << true;
    QTest::newRow("404") << false;
}

void TestDownloadPreview::download()
{
    QFETCH(bool, served);
    HttpTestServer server;
    server.setFile(QStringLiteral("/a b.txt"), "content");
    WindowFixture w(server.baseUrl(), false);
    QVERIFY(w.runPass());
    w.seedCache({{QStringLiteral("x y.tmp"), "old"}});
    w.form->add(1);
    bool nextStepRan = false;
    w.form->runCommand([&] {
        w.form->downloadfile(QStringLiteral("  ") + server.baseUrl() +
                                 (served ? QStringLiteral("a b.txt  ") : QStringLiteral("none")),
                             QStringLiteral(" ") + w.profile.cacheFolder() +
                                 QStringLiteral("/x y.tmp "),
                             QStringLiteral("done"));
        nextStepRan = true;
    });
    QVERIFY(nextStepRan);
    QCOMPARE(w.form->statusText(), served ? QStringLiteral("done") : Failed);
    QCOMPARE(w.progress(), served ? 0 : 20); // a failure leaves the bar one step further
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(w.cached(QStringLiteral("x y.tmp")), served ? QByteArray("content") : "old");
    QCOMPARE(w.cacheFiles(), QStringList{QStringLiteral("x y.tmp")});
    QCOMPARE(server.rawRequestPaths(),
             QList<QByteArray>{served ? QByteArray("/a%20b.txt") : QByteArray("/none")});
}

void TestDownloadPreview::previewShowsPicture_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("animated");
    QTest::newRow("gif") << makeGif(1) << QSize(8, 8) << false;
    QTest::newRow("animated gif") << makeGif(3) << QSize(8, 8) << true;
    // The most frames, and the most frames x canvas pixels, a GIF may have.
    QTest::newRow("10,000 frames") << makeGif(10000) << QSize(8, 8) << true;
    QTest::newRow("8 frames of 4096 x 4096") << makeGif(8, 4096) << QSize(4096, 4096) << true;
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
        w.click(QStringLiteral("Rode Ferrari "));
        QCOMPARE(w.form->statusText(), Loaded);
        QCOMPARE(w.progress(), 0);
        QVERIFY(w.form->skinFile.isEmpty());
        QVERIFY(w.form->SetSkin->isEnabled());
        QVERIFY(w.form->menu.skin->isEnabled());
        QCOMPARE(w.cached(QStringLiteral("temp.dat")), picture);
        QCOMPARE(w.form->scrSkin->currentImage().size(), size);
        QCOMPARE(w.form->scrSkin->isAnimated(), animated);
        QCOMPARE(server.requestCount(), round);
    }
    QCOMPARE(server.rawRequestPaths().value(0), QByteArray("/AutoMotor/Rode%20Ferrari%20.gif"));
}

// Clicks that show no preview: the root, a category, a skin key with a leading blank, and a
// skin when the Cache folder cannot be made (a file is in its place).
void TestDownloadPreview::clickWithoutPreview_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("cacheIsFile");
    QTest::newRow("root") << QStringLiteral("voruzide") << false;
    QTest::newRow("category") << QStringLiteral("Auto Motor12:00:00") << false;
    QTest::newRow("skin with leading blank") << QStringLiteral(" blank") << false;
    QTest::newRow("no Cache folder access") << QStringLiteral("x") << true;
}

void TestDownloadPreview::clickWithoutPreview()
{
    QFETCH(QString, key);
    QFETCH(bool, cacheIsFile);
    HttpTestServer server;
    server.setFile(QStringLiteral("/AutoMotor/x.gif"), makeGif(1));
    WindowFixture w(server.baseUrl(), false);
    prepareTree(w, {QStringLiteral(" blank"), QStringLiteral("x")});
    QDir(w.profile.cacheFolder()).removeRecursively();
    if (cacheIsFile)
        w.profile.writeFile(QStringLiteral("program/Cache"), "a file");
    w.form->skinFile = QStringLiteral("/somewhere/picked.gif");
    w.form->add(1);

    w.click(key);
    QVERIFY(!w.form->SetSkin->isEnabled());
    QCOMPARE(server.requestCount(), 0);
    if (cacheIsFile) {
        QCOMPARE(w.form->statusText(), Failed);
        QCOMPARE(w.progress(), 0);
    } else {
        QVERIFY(w.form->skinFile.isEmpty());
        QVERIFY(QDir(w.profile.cacheFolder()).exists());
        QCOMPARE(w.form->statusText(), QStringLiteral("ready"));
        QCOMPARE(w.progress(), 10);
    }
}

QTEST_MAIN(TestDownloadPreview)
#include "tst_download_preview.moc"
