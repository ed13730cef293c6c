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

const QString Failed = QStringLiteral("Fout bij het downloaden!");
const QString Loaded = QStringLiteral("Geladen");
const QString ListDownloaded = QStringLiteral("Skinlijst succesvol gedownload!");
const QString Installed = QStringLiteral("Skin succesvol als achtergrond geplaatst!");
constexpr qint64 SizeLimit = 16 * 1024;

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file below a folder with its bytes, by relative path.
using Snapshot = QMap<QString, QByteArray>;
Snapshot snapshot(const QString& folder)
{
    Snapshot files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), fileBytes(path));
    }
    return files;
}

// A fault the test server plays for one path; "none" serves body as it is.
void playFault(HttpTestServer& server, const QString& fault, const QString& path,
               const QByteArray& body)
{
    if (fault == QLatin1String("cut off"))
        server.dropMidBody(path, body);
    else if (fault == QLatin1String("never answers"))
        server.stall(path);
    else if (fault == QLatin1String("500"))
        server.answerStatus(path, 500);
    else if (fault == QLatin1String("redirect loop"))
        server.redirect(path, path);
    else if (fault == QLatin1String("over the size limit"))
        server.setFile(path, QByteArray(SizeLimit + 1, 'n'));
    else
        server.setFile(path, body);
}

void click(WindowFixture& w, const QString& key)
{
    QTreeWidgetItem* node = w.form->TV1->find(key);
    QVERIFY(node);
    Q_EMIT w.form->TV1->itemClicked(node, 0);
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

// Much more than the 64 KB disk holds, and still a picture.
QByteArray bigPicture()
{
    return makePicture("BMP", 200, 200);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void previewFaults_data();
    void previewFaults();
    void listFaults_data();
    void listFaults();
    void cacheCannotBeCreated();
    void fullDiskWhileDownloading();
    void fullDiskWhileInstalling();
};

void TestFaults::previewFaults_data()
{
    QTest::addColumn<QString>("fault");
    for (const char* fault : {"cut off", "never answers", "500", "redirect loop",
                              "over the size limit", "not a picture"})
        QTest::newRow(fault) << QString::fromLatin1(fault);
}

void TestFaults::previewFaults()
{
    QFETCH(QString, fault);
    const bool served = fault == QLatin1String("not a picture");
    HttpTestServer server;
    playFault(server, fault, QStringLiteral("/AutoMotor/x.gif"),
              served ? QByteArray("<html>gone</html>") : QByteArray(8000, 'g'));
    server.setFile(QStringLiteral("/AutoMotor/ok.gif"), makeGif(1));
    WindowFixture w(server.baseUrl(), false, 1000, SizeLimit);
    const QByteArray earlier = makePicture("PNG", 5, 7);
    w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), "Auto Motor");
    w.profile.writeFile(QStringLiteral("program/Cache/Auto Motor.tmp"), "x*ok");
    w.profile.writeFile(QStringLiteral("program/Cache/temp.dat"), earlier);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( Auto Motor(x,ok))"));
    w.form->scrSkin->loadPicture(w.profile.cacheFolder() + QStringLiteral("/temp.dat"));
    const Snapshot before = snapshot(w.profile.root());
    w.form->loading->start();

    click(w, QStringLiteral("x"));
    // The preview goes on to load whatever temp.dat holds and ends with "Geladen".
    QCOMPARE(w.form->statusText(), Loaded);
    QCOMPARE(w.progress(), 0);
    QVERIFY(w.form->SetSkin->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    Snapshot expected = before;
    if (served) {
        // The download worked; the picture did not: the error line stopped the timer and the
        // earlier picture stays on screen.
        expected[QStringLiteral("program/Cache/temp.dat")] = "<html>gone</html>";
        QVERIFY(!w.form->loading->isActive());
    } else {
        QVERIFY(w.form->loading->isActive());
    }
    QCOMPARE(snapshot(w.profile.root()), expected);
    QCOMPARE(w.form->scrSkin->currentImage().size(), QSize(5, 7));

    // The window still answers: the next preview works.
    click(w, QStringLiteral("ok"));
    QCOMPARE(w.form->statusText(), Loaded);
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/temp.dat")), makeGif(1));
    QCOMPARE(w.form->scrSkin->currentImage().size(), QSize(8, 8));
}

void TestFaults::listFaults_data()
{
    // A 500, a cut-off body and a silent server on the lists are in tst_catalogue.
    QTest::addColumn<QString>("fault");
    QTest::newRow("redirect loop") << QStringLiteral("redirect loop");
    QTest::newRow("over the size limit") << QStringLiteral("over the size limit");
    QTest::newRow("cut off") << QStringLiteral("cut off");
}

void TestFaults::listFaults()
{
    QFETCH(QString, fault);
    HttpTestServer server;
    playFault(server, fault, QStringLiteral("/voruzide.txt"), "A*B");
    playFault(server, fault, QStringLiteral("/A.txt"), QByteArray(9000, 'a'));
    WindowFixture w(server.baseUrl(), true, 1000, SizeLimit);
    w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), "A");
    w.profile.writeFile(QStringLiteral("program/Cache/A.tmp"), "a1*a2");
    w.profile.writeFile(QStringLiteral("program/Cache/temp.dat"), makeGif(1));
    w.start(); // the load step writes its settings; the pass has not run yet
    const Snapshot before = snapshot(w.profile.root());
    QVERIFY(w.waitForPass());
    QCOMPARE(w.form->statusText(), Failed);
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(a1,a2))"));
    QCOMPARE(w.progress(), 0);
    QCOMPARE(snapshot(w.profile.root()), before);

    // Once the server behaves, a refresh brings the new lists.
    server.setFile(QStringLiteral("/voruzide.txt"), "A*B");
    server.setFile(QStringLiteral("/A.txt"), "a3");
    server.setFile(QStringLiteral("/B.txt"), "b1");
    w.form->menu.update->trigger();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.form->statusText(), ListDownloaded);
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( A(a3), B(b1))"));
}

void TestFaults::cacheCannotBeCreated()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/voruzide.txt"), "A");
    server.setFile(QStringLiteral("/A.txt"), "a1");
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
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/A.tmp")), QByteArray("a1"));
}

void TestFaults::fullDiskWhileDownloading()
{
    HttpTestServer server;
    server.setFile(QStringLiteral("/AutoMotor/big.gif"), bigPicture());
    server.setFile(QStringLiteral("/AutoMotor/ok.gif"), makeGif(1));
    WindowFixture w(server.baseUrl(), false);
    SmallDisk disk(w.profile.cacheFolder());
    if (!disk.error.isEmpty())
        QSKIP(qPrintable(disk.error));
    const QByteArray earlier = makePicture("PNG", 5, 7);
    w.profile.writeFile(QStringLiteral("program/Cache/voruzide.tmp"), "Auto Motor");
    w.profile.writeFile(QStringLiteral("program/Cache/Auto Motor.tmp"), "big*ok");
    w.profile.writeFile(QStringLiteral("program/Cache/temp.dat"), earlier);
    w.start();
    QVERIFY(w.waitForPass());
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( Auto Motor(big,ok))"));
    const Snapshot before = snapshot(w.profile.root());

    click(w, QStringLiteral("big"));
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(w.form->statusText(), Loaded); // the earlier picture, as after any failed download
    QCOMPARE(w.form->scrSkin->currentImage().size(), QSize(5, 7));
    QCOMPARE(snapshot(w.profile.root()), before); // no half file left behind either

    click(w, QStringLiteral("ok"));
    QCOMPARE(w.form->statusText(), Loaded);
    QCOMPARE(fileBytes(w.profile.cacheFolder() + QStringLiteral("/temp.dat")), makeGif(1));
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
    const QString big = profile.writeFile(QStringLiteral("pictures/big.bmp"), bigPicture());
    const QString small = profile.writeFile(QStringLiteral("pictures/small.gif"), makeGif(1));
    const Snapshot messenger = snapshot(wine.driveC());
    const Snapshot ours = snapshot(profile.root());

    form.skinFile = big;
    form.enableInstall();
    form.SetSkin->click();
    QCOMPARE(form.statusText(), QStringLiteral("Fout opgetreden: 61 - Disk full"));
    // The first folder failed whole and the second was not tried; nothing of ours changed.
    QCOMPARE(snapshot(wine.driveC()), messenger);
    QCOMPARE(snapshot(profile.root()), ours);
    QVERIFY(profile.windows->asked.isEmpty());

    form.skinFile = small;
    form.SetSkin->click();
    QCOMPARE(form.statusText(), Installed);
    QCOMPARE(fileBytes(service + QStringLiteral("/lvback.gif")), makeGif(1));
    QCOMPARE(fileBytes(msn + QStringLiteral("/lvback.gif")), makeGif(1));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
