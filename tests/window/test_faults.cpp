// Faults from the server and the file system, against the real window, fetcher and files: after
// each one the status bar says what happened, the next command works, and every file that was
// there before is unchanged unless the operation succeeded.
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "platform/linux/wine_registry_reader.h"
#include "support/http_test_server.h"
#include "support/window_fixture.h"
#include "support/wine_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString Loaded = QStringLiteral("Geladen");
const QString Installed = QStringLiteral("Skin succesvol als achtergrond geplaatst!");

// Every file below a folder with its bytes, by relative path.
using Snapshot = QMap<QString, QByteArray>;
Snapshot snapshot(const QString& folder)
{
    Snapshot files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readFileBytes(path));
    }
    return files;
}

// A small tmpfs over a folder, for a disk that really fills up. Needs root and a kernel that
// lets this process mount; otherwise `error` says why not.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : folder_(folder)
    {
        if (geteuid() != 0) {
            error = QStringLiteral("mounting a tmpfs needs root");
            return;
        }
        QDir().mkpath(folder);
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0)
            error = QStringLiteral("mount -t tmpfs refused: ") +
                    QString::fromLocal8Bit(strerror(errno));
        else
            mounted_ = true;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    QString error;

private:
    QString folder_;
    bool mounted_ = false;
};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void previewFaults_data();
    void previewFaults();
    void cacheCannotBeCreated();
    void fullDiskWhileInstalling();
};

// List downloads that fail: tst_catalogue; the download step's own report: tst_download_preview.
void TestFaults::previewFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("earlier"); // another skin previewed before
    for (const char* fault :
         {"cut off", "never answers", "500", "redirect loop", "over the size limit",
          "not a picture", "10,001 frames", "9 frames of 4096 x 4096", "disk full"})
        QTest::newRow(fault) << QString::fromLatin1(fault) << true;
    QTest::newRow("404, no earlier picture") << QStringLiteral("404") << false;
}

void TestFaults::previewFaults()
{
    QFETCH(QString, fault);
    QFETCH(bool, earlier);
    // Served whole, and refused before any frame is decoded.
    const QMap<QString, QByteArray> refused = {
        {QStringLiteral("not a picture"), QByteArray("<html>gone</html>")},
        {QStringLiteral("10,001 frames"), makeGif(10001)},
        {QStringLiteral("9 frames of 4096 x 4096"), makeGif(9, 4096)}};
    const bool served = refused.contains(fault);
    const bool diskFull = fault == QLatin1String("disk full");
    HttpTestServer server;
    // Much more than the small disk holds, and still a picture.
    playFault(server, fault, QStringLiteral("/AutoMotor/x.gif"),
              served     ? refused.value(fault)
              : diskFull ? makePicture("BMP", 200, 200)
                         : QByteArray(8000, 'g'));
    server.setFile(QStringLiteral("/AutoMotor/ok.gif"), makeGif(1));
    WindowFixture w(
        server.baseUrl(), false, 1000,
        fault == QLatin1String("over the size limit") ? 4096 : NetworkFetcher::DefaultMaxBytes);
    std::unique_ptr<SmallDisk> disk;
    if (diskFull) {
        disk = std::make_unique<SmallDisk>(w.profile.cacheFolder());
        if (!disk->error.isEmpty())
            QSKIP(qPrintable(disk->error));
    }
    w.seedCache({{QStringLiteral("voruzide.tmp"), "Auto Motor"},
                 {QStringLiteral("Auto Motor.tmp"), "x*ok"}});
    QVERIFY(w.runPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( Auto Motor(x,ok))"));
    const QImage placeholder = w.form->scrSkin->currentImage();
    if (earlier)
        w.click(QStringLiteral("ok"));
    const Snapshot before = snapshot(w.profile.root());
    w.form->loading->start();

    w.click(QStringLiteral("x"));
    // Nothing is left to install that the user did not see: no picture, no temp.dat, install
    // off, and the status bar says why.
    QCOMPARE(w.form->statusText(), served ? QStringLiteral("Fout opgetreden: 481 - Invalid picture")
                                          : QStringLiteral("Fout bij het downloaden!"));
    QCOMPARE(w.progress(), 0);
    QVERIFY(!w.form->SetSkin->isEnabled());
    QVERIFY(!w.form->menu.skin->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    Snapshot expected = before;
    expected.remove(QStringLiteral("program/Cache/temp.dat"));
    // No half file is left behind.
    QCOMPARE(snapshot(w.profile.root()), expected);
    QCOMPARE(w.form->scrSkin->currentImage(), placeholder);
    QCOMPARE(w.form->loading->isActive(), !served); // an error line stops it

    // The window still answers: the next preview works.
    w.click(QStringLiteral("ok"));
    QCOMPARE(w.form->statusText(), Loaded);
    QCOMPARE(w.cached(QStringLiteral("temp.dat")), makeGif(1));
    QCOMPARE(w.form->scrSkin->currentImage().size(), QSize(8, 8));
}

void TestFaults::cacheCannotBeCreated()
{
    HttpTestServer server;
    serveFiles(server, {{QStringLiteral("voruzide.txt"), "A"}, {QStringLiteral("A.txt"), "a1"}});
    WindowFixture w(server.baseUrl(), true);
    w.profile.writeFile(QStringLiteral("program/Cache"), "not a folder");
    w.start();
    const Snapshot before = snapshot(w.profile.root());
    QVERIFY(w.waitForPass());
    QCOMPARE(w.form->statusText(), QStringLiteral("Fout opgetreden: 75 - Path/File access error"));
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide"));
    QCOMPARE(server.requestCount(), 0);
    QCOMPARE(snapshot(w.profile.root()), before);

    // With the file out of the way the next refresh fills the cache.
    QVERIFY(QFile::remove(w.profile.cacheFolder()));
    w.form->menu.update->trigger();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(a1))"));
    QCOMPARE(w.cached(QStringLiteral("A.tmp")), QByteArray("a1"));
}

void TestFaults::fullDiskWhileInstalling()
{
    TestProfile profile;
    WinePrefixFixture wine;
    Platform platform = profile.makePlatform();
    platform.registry = std::make_unique<WineRegistryReader>([&wine] { return wine.path(); });
    wine.writeSystemReg(
        systemReg("win32", messengerKeys(QStringLiteral("C:\\Program Files\\Messenger"),
                                         QStringLiteral("C:\\Program Files\\MSN Messenger"))));
    const QString service = wine.makeFolder(QStringLiteral("Program Files/Messenger"));
    const QString msn = wine.makeFolder(QStringLiteral("Program Files/MSN Messenger"));
    SmallDisk disk(service);
    if (!disk.error.isEmpty())
        QSKIP(qPrintable(disk.error));
    profile.writeFile(service + QStringLiteral("/lvback.gif"), "old background");
    profile.writeFile(msn + QStringLiteral("/lvback.gif"), "other background");
    Form1 form(platform);
    form.LoadDefaultLanguage();
    const QString big =
        profile.writeFile(QStringLiteral("pictures/big.bmp"), makePicture("BMP", 200, 200));
    const QString small = profile.writeFile(QStringLiteral("pictures/small.gif"), makeGif(1));
    const Snapshot messenger = snapshot(wine.driveC());
    const Snapshot ours = snapshot(profile.root());

    form.skinFile = big;
    form.enableInstall();
    form.SetSkin->click();
    QCOMPARE(form.statusText(), QStringLiteral("Fout opgetreden: 61 - Disk full"));
    // The first folder failed whole and the second was not tried; of ours, only the copy of
    // the background that was to be replaced is new.
    QCOMPARE(snapshot(wine.driveC()), messenger);
    Snapshot withBackup = snapshot(profile.root());
    const QStringList backups = withBackup.keys().filter(QStringLiteral("data/backups/"));
    QCOMPARE(backups.size(), 1);
    QCOMPARE(withBackup.take(backups.first()), QByteArray("old background"));
    QCOMPARE(withBackup, ours);
    QVERIFY(profile.windows->asked.isEmpty());

    form.skinFile = small;
    form.SetSkin->click();
    QCOMPARE(form.statusText(), Installed);
    QCOMPARE(readFileBytes(service + QStringLiteral("/lvback.gif")), makeGif(1));
    QCOMPARE(readFileBytes(msn + QStringLiteral("/lvback.gif")), makeGif(1));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
