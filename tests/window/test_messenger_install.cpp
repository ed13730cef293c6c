#include "app/form1.h"
#include "app/picture_box.h"
#include "platform/linux/wine_registry_reader.h"
#include "support/test_platform.h"
#include "support/wine_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString Installed = QStringLiteral("Skin succesvol als achtergrond geplaatst!");
const QString Removed = QStringLiteral("Achtergrond succesvol verwijderd!");
const QStringList AllClasses = {QStringLiteral("msblwindowclass"), QStringLiteral("msnmsblclass"),
                                QStringLiteral("msblclass")};
const QString ServiceFolder = QStringLiteral("Program Files/Messenger");
const QString MsnFolder = QStringLiteral("Program Files/MSN Messenger");
const QByteArray OldBackground = "old background";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A main window whose Messenger lives in a Wine prefix of its own.
struct Rig {
    TestProfile profile;
    WinePrefixFixture wine;
    Platform platform;
    std::unique_ptr<Form1> form;

    Rig()
    {
        platform = profile.makePlatform();
        platform.registry = std::make_unique<WineRegistryReader>([this] { return wine.path(); });
        form = std::make_unique<Form1>(platform);
        form->LoadDefaultLanguage();
    }

    RecordingWindows& windows() { return *profile.windows; }

    void registry(const QString& messengerService, const QString& msnMessenger)
    {
        wine.writeSystemReg(systemReg("win32", messengerKeys(messengerService, msnMessenger)));
    }

    // A Messenger folder holding a background and a file that must never be touched.
    QString messengerFolder(const QString& underDriveC, bool withBackground = true)
    {
        const QString folder = wine.makeFolder(underDriveC);
        profile.writeFile(folder + QStringLiteral("/msnmsgr.exe"), "MZ");
        if (withBackground)
            profile.writeFile(folder + QStringLiteral("/lvback.gif"), OldBackground);
        return folder;
    }

    QByteArray background(const QString& underDriveC) const
    {
        return readAll(wine.driveC() + QLatin1Char('/') + underDriveC +
                       QStringLiteral("/lvback.gif"));
    }

    bool hasBackground(const QString& underDriveC) const
    {
        return QFileInfo::exists(wine.driveC() + QLatin1Char('/') + underDriveC +
                                 QStringLiteral("/lvback.gif"));
    }

    QString writePreview(const QByteArray& bytes)
    {
        return profile.writeFile(profile.cacheFolder() + QStringLiteral("/temp.dat"), bytes);
    }

    void clickInstall()
    {
        form->enableInstall();
        form->SetSkin->click();
    }
};

} // namespace

class TestMessengerInstall : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void install_data();
    void install();
    void commandLineFileThenPreview();
    void failedCopy();
    void closingMessengerFails_data();
    void closingMessengerFails();
    void closemsnLetsEventsRunBetweenClasses();
    void remove_data();
    void remove();
    void pickCancelled();
    void pickInstalls_data();
    void pickInstalls();
    void pickNotAPicture();
    void pickInstallFails();
};

void TestMessengerInstall::install_data()
{
    QTest::addColumn<QString>("messengerService");
    QTest::addColumn<QString>("msnMessenger");
    QTest::addColumn<QStringList>("installedIn");

    const QString none;
    const QString service = QStringLiteral("C:\\Program Files\\Messenger\\");
    const QString msn = QStringLiteral("C:\\Program Files\\MSN Messenger");
    QTest::newRow("both values") << service << msn << QStringList{ServiceFolder, MsnFolder};
    QTest::newRow("only MSNMessenger") << none << msn << QStringList{MsnFolder};
    QTest::newRow("only MessengerService") << service << none << QStringList{ServiceFolder};
    QTest::newRow("no values") << none << none << QStringList();
    QTest::newRow("empty value as missing") << QStringLiteral("") << msn << QStringList{MsnFolder};
    QTest::newRow("same folder twice, with and without backslash")
        << msn + QLatin1Char('\\') << msn << QStringList{MsnFolder};
    QTest::newRow("folder that does not exist")
        << QStringLiteral("C:\\Program Files\\Gone\\") << msn << QStringList{MsnFolder};
    QTest::newRow("path in other case")
        << QStringLiteral("c:\\PROGRAM FILES\\messenger\\") << none << QStringList{ServiceFolder};
    QTest::newRow("drive without link")
        << QStringLiteral("D:\\Messenger\\") << none << QStringList();
}

void TestMessengerInstall::install()
{
    QFETCH(QString, messengerService);
    QFETCH(QString, msnMessenger);
    QFETCH(QStringList, installedIn);

    Rig rig;
    rig.registry(messengerService, msnMessenger);
    rig.messengerFolder(ServiceFolder);
    rig.messengerFolder(MsnFolder);
    const QByteArray gif = makeGif(3);
    rig.writePreview(gif);

    rig.clickInstall();

    for (const QString& folder : {ServiceFolder, MsnFolder})
        QCOMPARE(rig.background(folder), installedIn.contains(folder) ? gif : OldBackground);
    QCOMPARE(rig.form->statusText(), Installed);
    QCOMPARE(rig.windows().asked, AllClasses);
    QCOMPARE(readAll(rig.profile.cacheFolder() + QStringLiteral("/temp.dat")), gif);
    QVERIFY(rig.form->loading->isActive());
    // Nothing but the background changed in the folders.
    QCOMPARE(QDir(rig.wine.driveC() + QLatin1Char('/') + MsnFolder).entryList(QDir::Files),
             QStringList({QStringLiteral("lvback.gif"), QStringLiteral("msnmsgr.exe")}));
}

void TestMessengerInstall::commandLineFileThenPreview()
{
    Rig rig;
    rig.registry({}, QStringLiteral("C:\\Program Files\\MSN Messenger\\"));
    rig.messengerFolder(MsnFolder);
    const QByteArray local = makePicture("png");
    const QByteArray preview = makeGif(1);
    rig.form->skinFile = rig.profile.writeFile(QStringLiteral("pictures/local.png"), local);
    rig.writePreview(preview);

    rig.clickInstall();
    QCOMPARE(rig.background(MsnFolder), local);
    QCOMPARE(rig.form->skinFile, QString());

    rig.clickInstall();
    QCOMPARE(rig.background(MsnFolder), preview);
    rig.clickInstall(); // the preview stays in the cache and installs again
    QCOMPARE(rig.background(MsnFolder), preview);
    QCOMPARE(rig.windows().asked.size(), 3 * 3);

    // Without a preview nothing happens at all.
    QVERIFY(QFile::remove(rig.profile.cacheFolder() + QStringLiteral("/temp.dat")));
    rig.profile.writeFile(rig.wine.driveC() + QLatin1Char('/') + MsnFolder +
                              QStringLiteral("/lvback.gif"),
                          OldBackground);
    rig.form->setStatus(QStringLiteral("before"));
    rig.clickInstall();
    QCOMPARE(rig.background(MsnFolder), OldBackground);
    QCOMPARE(rig.form->statusText(), QStringLiteral("before"));
    QCOMPARE(rig.windows().asked.size(), 3 * 3);
}

void TestMessengerInstall::failedCopy()
{
    Rig rig;
    rig.registry(QStringLiteral("C:\\Program Files\\Messenger"),
                 QStringLiteral("C:\\Program Files\\MSN Messenger"));
    rig.messengerFolder(ServiceFolder, false);
    QVERIFY(QDir().mkpath(rig.wine.driveC() + QLatin1Char('/') + ServiceFolder +
                          QStringLiteral("/lvback.gif")));
    rig.messengerFolder(MsnFolder);
    rig.form->skinFile = rig.profile.writeFile(QStringLiteral("pictures/local.gif"), makeGif(1));
    QVERIFY(rig.form->loading->isActive());

    rig.clickInstall();

    QCOMPARE(rig.form->statusText(),
             QStringLiteral("Fout opgetreden: 75 - Path/File access error"));
    QVERIFY(!rig.form->loading->isActive());
    QCOMPARE(rig.background(MsnFolder), OldBackground);
    QVERIFY(rig.windows().asked.isEmpty());
    QCOMPARE(rig.form->skinFile, QString()); // the command carries on after the failed install
    QCOMPARE(QDir(rig.wine.driveC() + QLatin1Char('/') + ServiceFolder)
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("lvback.gif"), QStringLiteral("msnmsgr.exe")}));
}

void TestMessengerInstall::closingMessengerFails_data()
{
    QTest::addColumn<bool>("removing");
    QTest::newRow("install") << false;
    QTest::newRow("remove") << true;
}

void TestMessengerInstall::closingMessengerFails()
{
    QFETCH(bool, removing);
    Rig rig;
    rig.registry(QStringLiteral("C:\\Program Files\\Messenger\\"),
                 QStringLiteral("C:\\Program Files\\MSN Messenger\\"));
    rig.messengerFolder(ServiceFolder);
    rig.messengerFolder(MsnFolder);
    const QByteArray gif = makeGif(1);
    rig.writePreview(gif);
    rig.windows().present = QStringList{QStringLiteral("msnmsblclass")};
    rig.windows().onClose = [] {
        throw AppError(-2147467259, QStringLiteral("Unspecified error"));
    };

    if (removing)
        rig.form->menu.deleteskins->trigger();
    else
        rig.clickInstall();

    QCOMPARE(rig.form->statusText(),
             QStringLiteral("Fout opgetreden: -2147467259 - Unspecified error"));
    QVERIFY(!rig.form->loading->isActive());
    QCOMPARE(rig.windows().asked, AllClasses.mid(0, 2));
    // What was done before the failure stays done.
    for (const QString& folder : {ServiceFolder, MsnFolder}) {
        if (removing)
            QVERIFY(!rig.hasBackground(folder));
        else
            QCOMPARE(rig.background(folder), gif);
    }
}

void TestMessengerInstall::closemsnLetsEventsRunBetweenClasses()
{
    Rig rig;
    RecordingWindows& windows = rig.windows();
    windows.present = AllClasses + QStringList{QStringLiteral("msblwindowclass")};
    QStringList seen;
    auto post = [&] {
        QTimer::singleShot(0, rig.form.get(), [&] {
            seen << QStringLiteral("event after %1 lookups").arg(windows.asked.size());
        });
    };
    windows.onClose = post;
    post();

    rig.form->runCommand([&] { rig.form->closemsn(); });

    QCOMPARE(windows.asked, AllClasses);
    QCOMPARE(windows.closed, AllClasses); // one attempt per class
    QCOMPARE(windows.present, QStringList{QStringLiteral("msblwindowclass")});
    QCOMPARE(seen, QStringList({QStringLiteral("event after 0 lookups"),
                                QStringLiteral("event after 1 lookups"),
                                QStringLiteral("event after 2 lookups"),
                                QStringLiteral("event after 3 lookups")}));
}

void TestMessengerInstall::remove_data()
{
    QTest::addColumn<QString>("messengerService");
    QTest::addColumn<QStringList>("backgroundsIn");
    QTest::addColumn<QStringList>("removedFrom");

    const QString service = QStringLiteral("C:\\Program Files\\Messenger\\");
    QTest::newRow("both folders") << service << QStringList{ServiceFolder, MsnFolder}
                                  << QStringList{ServiceFolder, MsnFolder};
    QTest::newRow("only in MSNMessenger folder")
        << service << QStringList{MsnFolder} << QStringList{MsnFolder};
    QTest::newRow("no background installed") << service << QStringList() << QStringList();
    QTest::newRow("folder gone") << QStringLiteral("C:\\Program Files\\Gone\\")
                                 << QStringList{ServiceFolder, MsnFolder} << QStringList{MsnFolder};
    QTest::newRow("only one value")
        << QString() << QStringList{ServiceFolder, MsnFolder} << QStringList{MsnFolder};
}

void TestMessengerInstall::remove()
{
    QFETCH(QString, messengerService);
    QFETCH(QStringList, backgroundsIn);
    QFETCH(QStringList, removedFrom);

    Rig rig;
    rig.registry(messengerService, QStringLiteral("C:\\Program Files\\MSN Messenger"));
    for (const QString& folder : {ServiceFolder, MsnFolder})
        rig.messengerFolder(folder, backgroundsIn.contains(folder));

    rig.form->menu.deleteskins->trigger();

    for (const QString& folder : {ServiceFolder, MsnFolder}) {
        QCOMPARE(rig.hasBackground(folder),
                 backgroundsIn.contains(folder) && !removedFrom.contains(folder));
        QVERIFY(QFileInfo::exists(rig.wine.driveC() + QLatin1Char('/') + folder +
                                  QStringLiteral("/msnmsgr.exe")));
    }
    QCOMPARE(rig.form->statusText(), Removed);
    QCOMPARE(rig.windows().asked, AllClasses);
    QVERIFY(rig.form->loading->isActive());
}

void TestMessengerInstall::pickCancelled()
{
    Rig rig;
    rig.registry({}, QStringLiteral("C:\\Program Files\\MSN Messenger"));
    rig.messengerFolder(MsnFolder);
    rig.form->setStatus(QStringLiteral("before"));
    const QImage shown = rig.form->scrSkin->currentImage();

    rig.form->menu.manualskin->trigger();

    QCOMPARE(rig.profile.dialogs->filtersAsked,
             QStringList{QStringLiteral("GIF-files (*.gif)|*.gif;")});
    QCOMPARE(rig.form->statusText(), QStringLiteral("before"));
    QCOMPARE(rig.form->skinFile, QString());
    QVERIFY(!rig.form->SetSkin->isEnabled());
    QVERIFY(!rig.form->menu.skin->isEnabled());
    QCOMPARE(rig.form->scrSkin->currentImage(), shown);
    QCOMPARE(rig.background(MsnFolder), OldBackground);
    QVERIFY(rig.windows().asked.isEmpty());
}

void TestMessengerInstall::pickInstalls_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    QTest::newRow("animated gif") << makeGif(4) << "skin.gif" << QSize(8, 8);
    QTest::newRow("png under a typed name is copied as it is")
        << makePicture("png", 20, 10) << "skin.png" << QSize(20, 10);
}

void TestMessengerInstall::pickInstalls()
{
    QFETCH(QByteArray, picture);
    QFETCH(QString, name);
    QFETCH(QSize, size);

    Rig rig;
    rig.registry(QStringLiteral("C:\\Program Files\\Messenger\\"),
                 QStringLiteral("C:\\Program Files\\MSN Messenger\\"));
    rig.messengerFolder(ServiceFolder);
    rig.messengerFolder(MsnFolder);
    const QString picked = rig.profile.writeFile(QStringLiteral("pictures/") + name, picture);
    rig.profile.dialogs->nextFiles << picked;

    rig.form->menu.manualskin->trigger();

    QCOMPARE(rig.background(ServiceFolder), picture);
    QCOMPARE(rig.background(MsnFolder), picture);
    QCOMPARE(rig.form->statusText(), Installed);
    QCOMPARE(rig.form->skinFile, picked);
    QVERIFY(rig.form->SetSkin->isEnabled());
    QVERIFY(rig.form->menu.skin->isEnabled());
    QCOMPARE(rig.form->scrSkin->currentImage().size(), size);
    QCOMPARE(rig.windows().asked, AllClasses);
}

void TestMessengerInstall::pickNotAPicture()
{
    Rig rig;
    rig.registry({}, QStringLiteral("C:\\Program Files\\MSN Messenger\\"));
    rig.messengerFolder(MsnFolder);
    const QString earlier =
        rig.profile.writeFile(QStringLiteral("pictures/earlier.gif"), makeGif(1));
    rig.form->skinFile = earlier;
    const QImage shown = rig.form->scrSkin->currentImage();
    rig.profile.dialogs->nextFiles
        << rig.profile.writeFile(QStringLiteral("pictures/notes.gif"), "just some text");

    rig.form->menu.manualskin->trigger();

    QCOMPARE(rig.form->statusText(), QStringLiteral("Fout opgetreden: 481 - Invalid picture"));
    QVERIFY(rig.form->loading->isActive()); // this handler leaves the timer alone
    QCOMPARE(rig.form->skinFile, earlier);
    QVERIFY(!rig.form->SetSkin->isEnabled());
    QCOMPARE(rig.form->scrSkin->currentImage(), shown);
    QCOMPARE(rig.background(MsnFolder), OldBackground);
    QVERIFY(rig.windows().asked.isEmpty());
}

void TestMessengerInstall::pickInstallFails()
{
    Rig rig;
    rig.registry({}, QStringLiteral("C:\\Program Files\\MSN Messenger\\"));
    rig.messengerFolder(MsnFolder, false);
    QVERIFY(QDir().mkpath(rig.wine.driveC() + QLatin1Char('/') + MsnFolder +
                          QStringLiteral("/lvback.gif")));
    const QString picked = rig.profile.writeFile(QStringLiteral("pictures/skin.gif"), makeGif(1));
    rig.profile.dialogs->nextFiles << picked;

    rig.form->menu.manualskin->trigger();

    QCOMPARE(rig.form->statusText(),
             QStringLiteral("Fout opgetreden: 75 - Path/File access error"));
    QVERIFY(!rig.form->loading->isActive());
    QCOMPARE(rig.form->skinFile, picked);
    QVERIFY(rig.form->SetSkin->isEnabled());
    QVERIFY(rig.form->menu.skin->isEnabled());
    QCOMPARE(rig.form->scrSkin->currentImage().size(), QSize(8, 8));
    QVERIFY(rig.windows().asked.isEmpty());
}

QTEST_MAIN(TestMessengerInstall)
#include "test_messenger_install.moc"
