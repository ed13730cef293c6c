// Faults from the server and the file system, against the real window, fetcher and files: after
// each one the status bar says what happened, the next command works, and every file that was
// there before is unchanged unless the operation succeeded.
#include "app/keyed_tree.h"
#include "app/picture_box.h"
#include "app/settings_keys.h"
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
#include <fcntl.h>
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

    // Takes every free page but `spare`: a new file cannot get one byte beyond those.
    bool fill(int spare = 0) const
    {
        const int fd = ::open(QFile::encodeName(filler()).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const QByteArray page(4096, 'f');
        while (::write(fd, page.constData(), size_t(page.size())) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        const bool full = errno == ENOSPC;
        const off_t size = ::lseek(fd, 0, SEEK_END);
        const bool spared = ::ftruncate(fd, size - spare * page.size()) == 0;
        ::close(fd);
        return full && spared;
    }
    bool free() const { return QFile::remove(filler()); }

    QString error;

private:
    QString filler() const { return folder_ + QStringLiteral("/filler"); }

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
    void fullDisk_data();
    void fullDisk();
};

// List downloads that fail: tst_catalogue; the download step's own report: tst_download_preview.
void TestFaults::previewFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("earlier"); // another skin previewed before
    for (const char* fault :
         {"cut off", "never answers", "500", "redirect loop", "over the size limit",
          "not a picture", "10,001 frames", "9 frames of 4096 x 4096"})
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
    HttpTestServer server;
    playFault(server, fault, QStringLiteral("/AutoMotor/x.gif"),
              served ? refused.value(fault) : QByteArray(8000, 'g'));
    server.setFile(QStringLiteral("/AutoMotor/ok.gif"), makeGif(1));
    WindowFixture w(
        server.baseUrl(), false, 1000,
        fault == QLatin1String("over the size limit") ? 4096 : NetworkFetcher::DefaultMaxBytes);
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

// A full disk while a file smaller than Qt's write buffer replaces an older one: the old file
// stays byte for byte, and the status bar does not claim success. With room again, the same
// command succeeds.
void TestFaults::fullDisk_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("succeeded"); // the status once there is room
    QTest::newRow("install") << QStringLiteral("install")
                             << QStringLiteral("Fout opgetreden: 61 - Disk full") << Installed;
    QTest::newRow("list download")
        << QStringLiteral("update") << QStringLiteral("Skinlijst ontbreekt. Update de skinlijst!")
        << QStringLiteral("Skinlijst succesvol gedownload!");
    QTest::newRow("preview") << QStringLiteral("preview")
                             << QStringLiteral("Fout bij het downloaden!") << Loaded;
    QTest::newRow("setting") << QStringLiteral("setting") << Loaded << Loaded;
}

void TestFaults::fullDisk()
{
    QFETCH(QString, command);
    QFETCH(QString, status);
    QFETCH(QString, succeeded);
    const bool install = command == QLatin1String("install");
    HttpTestServer server;
    serveFiles(server, {{QStringLiteral("voruzide.txt"), "Auto Motor"},
                        {QStringLiteral("Auto Motor.txt"), "x*ok*new"}});
    server.setFile(QStringLiteral("/AutoMotor/x.gif"), makeGif(2));
    server.setFile(QStringLiteral("/AutoMotor/ok.gif"), makeGif(1));
    WindowFixture w(server.baseUrl(), false);
    WinePrefixFixture wine;
    w.platform.registry = std::make_unique<WineRegistryReader>([&wine] { return wine.path(); });
    wine.writeSystemReg(systemReg(
        "win32", messengerKeys(QStringLiteral("C:\\Program Files\\MSN Messenger"), QString())));
    const QString messenger = wine.makeFolder(QStringLiteral("Program Files/MSN Messenger"));
    const QString full = install                               ? messenger
                         : command == QLatin1String("setting") ? w.profile.configFolder()
                                                               : w.profile.cacheFolder();
    const Snapshot hidden = snapshot(full); // by the mount, such as the fixture's settings
    SmallDisk disk(full);
    if (!disk.error.isEmpty())
        QSKIP(qPrintable(disk.error));
    for (auto file = hidden.begin(); file != hidden.end(); ++file)
        writeFileBytes(full + QLatin1Char('/') + file.key(), file.value());
    QByteArray background(19771, 'b');
    background.prepend("GIF89a");
    writeFileBytes(messenger + QStringLiteral("/lvback.gif"), background);
    w.seedCache({{QStringLiteral("voruzide.tmp"), "Auto Motor"},
                 {QStringLiteral("Auto Motor.tmp"), "x*ok"}});
    QVERIFY(w.runPass());
    w.click(QStringLiteral("ok"));
    QCOMPARE(w.cached(QStringLiteral("temp.dat")), makeGif(1));
    // A setting is written under a lock file, which gets the one spare page.
    QVERIFY(disk.fill(command == QLatin1String("setting") ? 1 : 0));
    bool saved = false;
    const Snapshot before = snapshot(full);

    const auto run = [&] {
        if (install) {
            w.form->SetSkin->click();
        } else if (command == QLatin1String("update")) {
            w.form->menu.update->trigger();
            QVERIFY(w.waitForPass());
        } else if (command == QLatin1String("setting")) {
            saved = w.platform.settings->saveSetting(QString::fromLatin1(SettingKeys::Application),
                                                     QString::fromLatin1(SettingKeys::Section),
                                                     QStringLiteral("base"),
                                                     QStringLiteral("http://127.0.0.1:1/"));
        } else {
            w.click(QStringLiteral("x"));
        }
    };
    run();
    QCOMPARE(w.form->statusText(), status);
    QVERIFY(!saved); // the one command with no status line of its own
    QCOMPARE(w.treeShape(), QStringLiteral(" VOR Uzide( Auto Motor(x,ok))"));
    Snapshot expected = before;
    // A preview that failed leaves nothing to install.
    if (command == QLatin1String("preview")) {
        expected.remove(QStringLiteral("temp.dat"));
        QVERIFY(!w.form->SetSkin->isEnabled());
    }
    QCOMPARE(snapshot(full), expected);
    QVERIFY(w.profile.windows->asked.isEmpty());

    QVERIFY(disk.free());
    run();
    QCOMPARE(w.form->statusText(), succeeded);
    if (install)
        QCOMPARE(readFileBytes(messenger + QStringLiteral("/lvback.gif")), makeGif(1));
    else if (command == QLatin1String("preview"))
        QCOMPARE(w.cached(QStringLiteral("temp.dat")), makeGif(2));
    else if (command == QLatin1String("update"))
        QCOMPARE(w.cached(QStringLiteral("Auto Motor.tmp")), QByteArray("x*ok*new"));
    else if (command == QLatin1String("setting"))
        QCOMPARE(w.profile.setting(QStringLiteral("base")), QStringLiteral("http://127.0.0.1:1/"));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
