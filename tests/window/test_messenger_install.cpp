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

const QString ServicePath = QStringLiteral("C:\\Program Files\\Messenger\\");
const QString MsnPath = QStringLiteral("C:\\Program Files\\MSN Messenger\\");
enum Background { NoBackground, OldOne, BlockedByAFolder };

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

    QString at(const QString& folder, const char* file = "lvback.gif") const
    {
        return wine.driveC() + QLatin1Char('/') + folder + QLatin1Char('/') +
               QString::fromLatin1(file);
    }

    // A Messenger folder holding a file that must never be touched, and maybe a background.
    void messengerFolder(const QString& folder, Background background = OldOne)
    {
        profile.writeFile(at(folder, "msnmsgr.exe"), "MZ");
        if (background == OldOne)
            profile.writeFile(at(folder), OldBackground);
        else if (background == BlockedByAFolder)
            QDir().mkpath(at(folder));
    }

    // Both keys naming both folders, each with an old background unless said otherwise.
    void both(Background service = OldOne)
    {
        registry(ServicePath, MsnPath);
        messengerFolder(ServiceFolder, service);
        messengerFolder(MsnFolder);
    }

    QByteArray background(const QString& folder) const { return readFileBytes(at(folder)); }
    bool hasBackground(const QString& folder) const { return QFileInfo::exists(at(folder)); }
    QStringList files(const QString& folder) const
    {
        return QDir(wine.driveC() + QLatin1Char('/') + folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
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
    void refusedBeforeAnythingChanges_data();
    void refusedBeforeAnythingChanges();
    void closingMessengerFails_data();
    void closingMessengerFails();
    void closemsnLetsEventsRunBetweenClasses();
    void remove_data();
    void remove();
    void pickChangesNothing_data();
    void pickChangesNothing();
    void pick_data();
    void pick();
};

void TestMessengerInstall::install_data()
{
    QTest::addColumn<QString>("messengerService");
    QTest::addColumn<QString>("msnMessenger");
    QTest::addColumn<QStringList>("installedIn");

    const QString none;
    const QString service = ServicePath;
    const QString msn = QStringLiteral("C:\\Program Files\\MSN Messenger");
    QTest::newRow("both values") << service << msn << QStringList{ServiceFolder, MsnFolder};
    QTest::newRow("only MSNMessenger") << none << msn << QStringList{MsnFolder};
    QTest::newRow("only MessengerService") << service << none << QStringList{ServiceFolder};
    QTest::newRow("same folder twice, with and without backslash")
        << msn + QLatin1Char('\\') << msn << QStringList{MsnFolder};
    QTest::newRow("folder that does not exist")
        << QStringLiteral("C:\\Program Files\\Gone\\") << msn << QStringList{MsnFolder};
}

void TestMessengerInstall::install()
{
    QFETCH(QString, messengerService);
    QFETCH(QString, msnMessenger);
    QFETCH(QStringList, installedIn);

    Rig rig;
    rig.both();
    rig.registry(messengerService, msnMessenger);
    const QByteArray gif = makeGif(3);
    rig.writePreview(gif);
    // Twenty older copies are kept already: the oldest make room for each replaced background.
    const QString backups = rig.profile.dataFolder() + QStringLiteral("/backups/");
    const QString older = QStringLiteral("2000-01-01 00.00.%1.000 Old.gif");
    for (int second = 10; second < 30; ++second)
        rig.profile.writeFile(backups + older.arg(second), "older");

    rig.clickInstall();

    for (const QString& folder : {ServiceFolder, MsnFolder})
        QCOMPARE(rig.background(folder), installedIn.contains(folder) ? gif : OldBackground);
    const QStringList kept = QDir(backups).entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), 20);
    QCOMPARE(kept.first(), older.arg(10 + installedIn.size()));
    QCOMPARE(readFileBytes(backups + kept.last()), OldBackground);
    QCOMPARE(rig.form->statusText(), Installed);
    QCOMPARE(rig.windows().asked, AllClasses);
    QCOMPARE(readFileBytes(rig.profile.cacheFolder() + QStringLiteral("/temp.dat")), gif);
    QVERIFY(rig.form->loading->isActive());
    // Nothing but the background changed in the folders.
    QCOMPARE(rig.files(MsnFolder),
             QStringList({QStringLiteral("lvback.gif"), QStringLiteral("msnmsgr.exe")}));
}

void TestMessengerInstall::commandLineFileThenPreview()
{
    Rig rig;
    rig.registry({}, MsnPath);
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
    rig.profile.writeFile(rig.at(MsnFolder), OldBackground);
    rig.form->setStatus(QStringLiteral("before"));
    rig.clickInstall();
    QCOMPARE(rig.background(MsnFolder), OldBackground);
    QCOMPARE(rig.form->statusText(), QStringLiteral("before"));
    QCOMPARE(rig.windows().asked.size(), 3 * 3);
}

void TestMessengerInstall::refusedBeforeAnythingChanges_data()
{
    QTest::addColumn<bool>("removing");
    QTest::addColumn<QByteArray>("preview");
    QTest::addColumn<QString>("error");
    const QString noAccess = QStringLiteral("75 - Path/File access error");
    QTest::newRow("preview is no picture")
        << false << QByteArray("<html>404</html>") << QStringLiteral("481 - Invalid picture");
    QTest::newRow("preview of too many frames")
        << false << makeGif(10001) << QStringLiteral("481 - Invalid picture");
    QTest::newRow("install, no room for the backup") << false << makeGif(1) << noAccess;
    QTest::newRow("remove, no room for the backup") << true << makeGif(1) << noAccess;
}

// A file that is no picture is never copied, and no background goes without its backup.
void TestMessengerInstall::refusedBeforeAnythingChanges()
{
    QFETCH(bool, removing);
    QFETCH(QByteArray, preview);
    QFETCH(QString, error);
    Rig rig;
    rig.both();
    rig.writePreview(preview);
    if (error != QStringLiteral("481 - Invalid picture"))
        rig.profile.writeFile(rig.profile.dataFolder(), "a file, not a folder");

    if (removing)
        rig.form->menu.deleteskins->trigger();
    else
        rig.clickInstall();

    QCOMPARE(rig.form->statusText(), QStringLiteral("Fout opgetreden: ") + error);
    QVERIFY(!rig.form->loading->isActive());
    QVERIFY(rig.windows().asked.isEmpty());
    for (const QString& folder : {ServiceFolder, MsnFolder})
        QCOMPARE(rig.background(folder), OldBackground);
    QVERIFY(!QFileInfo::exists(rig.profile.dataFolder() + QStringLiteral("/backups")));
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
    rig.both();
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

    const QString service = ServicePath;
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
    rig.registry(messengerService, MsnPath);
    for (const QString& folder : {ServiceFolder, MsnFolder})
        rig.messengerFolder(folder, backgroundsIn.contains(folder) ? OldOne : NoBackground);

    rig.form->menu.deleteskins->trigger();

    for (const QString& folder : {ServiceFolder, MsnFolder}) {
        QCOMPARE(rig.hasBackground(folder),
                 backgroundsIn.contains(folder) && !removedFrom.contains(folder));
        QVERIFY(QFileInfo::exists(rig.at(folder, "msnmsgr.exe")));
    }
    QCOMPARE(rig.form->statusText(), Removed);
    QCOMPARE(rig.windows().asked, AllClasses);
    QVERIFY(rig.form->loading->isActive());
}

void TestMessengerInstall::pickChangesNothing_data()
{
    QTest::addColumn<QByteArray>("picked"); // null: the dialog is cancelled
    QTest::addColumn<QString>("status");
    QTest::newRow("cancelled") << QByteArray() << QStringLiteral("before");
    QTest::newRow("not a picture")
        << QByteArray("just some text") << QStringLiteral("Fout opgetreden: 481 - Invalid picture");
    QTest::newRow("9 frames of 4096 x 4096")
        << makeGif(9, 4096) << QStringLiteral("Fout opgetreden: 481 - Invalid picture");
}

void TestMessengerInstall::pickChangesNothing()
{
    QFETCH(QByteArray, picked);
    QFETCH(QString, status);
    Rig rig;
    rig.registry({}, MsnPath);
    rig.messengerFolder(MsnFolder);
    const QString earlier =
        rig.profile.writeFile(QStringLiteral("pictures/earlier.gif"), makeGif(1));
    rig.form->skinFile = earlier;
    rig.form->setStatus(QStringLiteral("before"));
    const QImage shown = rig.form->scrSkin->currentImage();
    if (!picked.isNull())
        rig.profile.dialogs->nextFiles
            << rig.profile.writeFile(QStringLiteral("pictures/notes.gif"), picked);

    rig.form->menu.manualskin->trigger();

    QCOMPARE(rig.profile.dialogs->filtersAsked,
             QStringList{QStringLiteral("GIF-files (*.gif)|*.gif;")});
    QCOMPARE(rig.form->statusText(), status);
    QVERIFY(rig.form->loading->isActive()); // this handler leaves the timer alone
    QCOMPARE(rig.form->skinFile, earlier);
    QVERIFY(!rig.form->SetSkin->isEnabled());
    QVERIFY(!rig.form->menu.skin->isEnabled());
    QCOMPARE(rig.form->scrSkin->currentImage(), shown);
    QCOMPARE(rig.background(MsnFolder), OldBackground);
    QVERIFY(rig.windows().asked.isEmpty());
}

void TestMessengerInstall::pick_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("blocked"); // lvback.gif in the first folder is a folder
    QTest::addColumn<bool>("button");  // installed with the button instead of picked

    QTest::newRow("animated gif") << makeGif(4) << "skin.gif" << QSize(8, 8) << false << false;
    QTest::newRow("png under a typed name is copied as it is")
        << makePicture("png", 20, 10) << "skin.png" << QSize(20, 10) << false << false;
    QTest::newRow("picked, install fails")
        << makeGif(1) << "skin.gif" << QSize(8, 8) << true << false;
    QTest::newRow("button, install fails") << makeGif(1) << "skin.gif" << QSize() << true << true;
}

void TestMessengerInstall::pick()
{
    QFETCH(QByteArray, picture);
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, blocked);
    QFETCH(bool, button);

    Rig rig;
    rig.both(blocked ? BlockedByAFolder : OldOne);
    const QString picked = rig.profile.writeFile(QStringLiteral("pictures/") + name, picture);
    if (button) {
        rig.form->skinFile = picked;
        rig.clickInstall();
    } else {
        rig.profile.dialogs->nextFiles << picked;
        rig.form->menu.manualskin->trigger();
    }

    if (blocked) {
        QCOMPARE(rig.form->statusText(),
                 QStringLiteral("Fout opgetreden: 75 - Path/File access error"));
        QVERIFY(!rig.form->loading->isActive());
        QCOMPARE(rig.background(MsnFolder), OldBackground);
        QVERIFY(rig.windows().asked.isEmpty());
        QCOMPARE(rig.files(ServiceFolder),
                 QStringList({QStringLiteral("lvback.gif"), QStringLiteral("msnmsgr.exe")}));
    } else {
        QCOMPARE(rig.form->statusText(), Installed);
        QCOMPARE(rig.background(ServiceFolder), picture);
        QCOMPARE(rig.background(MsnFolder), picture);
        QCOMPARE(rig.windows().asked, AllClasses);
    }
    if (button) { // the command carries on after the failed install
        QCOMPARE(rig.form->skinFile, QString());
        return;
    }
    // The picked picture is shown and ready to install again, whatever the install did.
    QCOMPARE(rig.form->skinFile, picked);
    QVERIFY(rig.form->SetSkin->isEnabled());
    QVERIFY(rig.form->menu.skin->isEnabled());
    QCOMPARE(rig.form->scrSkin->currentImage().size(), size);
}

QTEST_MAIN(TestMessengerInstall)
#include "test_messenger_install.moc"
