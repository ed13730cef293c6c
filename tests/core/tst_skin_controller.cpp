#include "core/install/messenger_folders.h"
#include "core/skin_controller.h"
#include "support/test_profile.h"

#include <QDir>
#include <QScopeGuard>
#include <QtTest>

namespace {
const QString Prefix = QStringLiteral("Fout opgetreden: ");
const QString Installed = QStringLiteral("Skin succesvol als achtergrond geplaatst!");

// One line per step ("load: busy 1 | progress 10 | ..."), "start" before the first; a line
// "> step" opens each.
QStringList perStep(const QStringList& lines)
{
    QStringList steps{"start:"};
    for (const QString& line : lines)
        if (line.startsWith("> "))
            steps << line.mid(2) + ':';
        else if (!line.isEmpty()) // none: no window was closed
            steps.last() += (steps.last().endsWith(':') ? " " : " | ") + line;
    return steps;
}

// The recorded lines of a row: those after its "[row]" line, up to the next row's.
QString reference(const QString& row)
{
    const QString text =
        QString::fromUtf8('\n' + readFileBytes(DRAPELLO_SOURCE_DIR "/tests/core/report_order.txt"));
    return text.section("\n[" + row + "]\n", 1).section("\n[", 0, 0).trimmed();
}

struct Run : ControllerRun {
    Run() { controller.stopLoading(); }
    QString messenger(const QString& name) const { return profile.messengerFolder() + '/' + name; }
};
} // namespace

class TestSkinController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void previewThenInstall_data()
    {
        QTest::addColumn<QByteArray>("served"); // the skin's picture on the server; empty: none
        // "name=bytes,..." of the backgrounds there before; bytes SAME: the picture served; LINK: a
        // link to a file outside holding "outside"; FULL: "old" on a full disk
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("backups");
        const QByteArray gif = makeGif();
        QTest::newRow("first install") << gif << "" << Installed << 0;
        QTest::newRow("replaced background kept") << gif << "lvback.gif=old" << Installed << 1;
        QTest::newRow("same picture not kept again") << gif << "lvback.gif=SAME" << Installed << 0;
        QTest::newRow("any capitals") << gif << "LVBACK.GIF=old" << Installed << 1;
        QTest::newRow("other capitals kept, then gone")
            << gif << "lvback.gif=old,LVBack.gif=SAME,LVBACK.GIF=older" << Installed << 2;
        QTest::newRow("a link replaced, never written through")
            << gif << "lvback.gif=LINK" << Installed << 1;
        QTest::newRow("disk full") << gif << "lvback.gif=FULL" << Prefix + "61 - Disk full" << 1;
        QTest::newRow("a PNG too") << makePicture("png") << "" << Installed << 0;
        QTest::newRow("error page refused")
            << QByteArray("<html>") << "lvback.gif=old" << Prefix + "481 - Invalid picture" << 0;
        QTest::newRow("download fails")
            << QByteArray() << QString() << "Fout bij het downloaden!" << 0;
        QTest::newRow("no Messenger folder")
            << gif << "lvback.gif=NONE" << Prefix + "76 - Messenger folder not found" << 0;
    }
    void previewThenInstall()
    {
        QFETCH(QByteArray, served);
        QFETCH(QString, old);
        QFETCH(QString, status);
        QFETCH(int, backups);
        Run run;
        const QString second = run.profile.path("Second Messenger");
        QDir().mkpath(second);
        run.profile.world.registry.insert(MessengerFolders::valuePaths().at(1), second + '/');
        if (old.endsWith("NONE"))
            run.profile.world.registry.clear();
        const QString outside = writeFileBytes(run.profile.path("outside.gif"), "outside");
        const QString target = old.isEmpty() ? "lvback.gif" : old.section('=', 0, 0);
        // FULL: a file system of 64 KiB on the Messenger folder, filled once "old" is on it.
        const bool full = old.endsWith("FULL");
        old.replace("FULL", "old");
        const QStringList mount{"-ttmpfs", "-osize=64k", "tmpfs", run.profile.messengerFolder()};
        if (full && QProcess::execute("mount", mount) != 0)
            QSKIP("A small file system to fill can only be mounted by root");
        const auto unmount = qScopeGuard([&] {
            if (full)
                QProcess::execute("umount", {"-l", mount.last()});
        });
        for (const QString& entry : old.split(',', Qt::SkipEmptyParts)) {
            const QString path = run.messenger(entry.section('=', 0, 0)),
                          bytes = entry.section('=', 1);
            if (bytes == "LINK")
                QVERIFY(QFile::link(outside, path));
            else
                writeFileBytes(path, bytes == "SAME" ? served : bytes.toUtf8());
        }
        if (fileBytesIn(run.profile.messengerFolder(), "*.gif").size() < old.count('='))
            QSKIP("names that differ only in capitals are one file here");
        const QByteArray before = readFileBytes(run.messenger(target));
        if (full) {
            QFile filler(run.messenger(".filler"));
            if (filler.open(QIODevice::WriteOnly))
                filler.write(QByteArray(64 * 1024, 'f'));
        }
        if (!served.isEmpty())
            run.profile.world.files.insert(TestProfile::server() + "Auto/Rood.gif", served);

        run.controller.previewSkin(CatalogueNode{CatalogueNode::Kind::Skin, "Rood", " Auto"});
        QVERIFY(waitUntilIdle(run.controller));
        const bool picture = served.startsWith("GIF") || served.startsWith("\x89PNG");
        QCOMPARE(run.log.lines.contains("install 1"), picture);
        QCOMPARE(QFileInfo::exists(run.profile.cacheFolder() + "/temp.dat"), picture);
        run.controller.installSkin();
        QVERIFY(waitUntilIdle(run.controller));

        const bool installed = status == Installed;
        QCOMPARE(run.log.status, status);
        QCOMPARE(readFileBytes(run.messenger(target)), installed ? served : before);
        QCOMPARE(readFileBytes(second + "/lvback.gif"), installed ? served : "<unreadable>");
        QCOMPARE(fileBytesIn(run.profile.messengerFolder(), "*.gif").size(),
                 installed || !old.isEmpty() ? 1 : 0);
        QCOMPARE(QFileInfo(run.messenger(target)).isSymLink(), !installed && old.endsWith("LINK"));
        QCOMPARE(readFileBytes(outside), "outside");
        const QList<QByteArray> kept = fileBytesIn(run.profile.backupsFolder(), "*.gif").values();
        QCOMPARE(kept.size(), backups);
        QCOMPARE(kept.contains(before), backups > 0);
        QCOMPARE(run.profile.world.actions.size(), installed ? 3 : 0);
        QCOMPARE(run.profile.setting("installedcategory") + '/' +
                     run.profile.setting("installedskin"),
                 installed ? "Auto/Rood" : "<missing>/<missing>");
    }
    // A picked picture is shown and installed; of the backups, only the oldest of the program's own
    // goes.
    void pickedFile()
    {
        Run run;
        const QString folder = run.profile.backupsFolder() + '/';
        QStringList ours, present; // ours oldest first, all named to sort after the new copy
        for (int i = 19; i >= 0; --i) {
            ours << QString("r%1.gif").arg(i);
            present << "zz mine " + ours.last();
        }
        present += ours;
        for (const QString& name : present)
            writeFileBytes(folder + name, name.toUtf8());
        writeFileBytes(folder + ".drapello-backups", ours.join('\n').toUtf8());
        writeFileBytes(run.messenger("lvback.gif"), "old");
        const QString picture = writeFileBytes(run.profile.path("mine.gif"), makeGif(3, 16));
        const QString page = writeFileBytes(run.profile.path("page.gif"), "<html>");
        run.profile.world.nextFiles << picture << page;
        run.controller.installPickedFile();
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(run.profile.world.messages.join('/'), "file dialog: GIF-files (*.gif)|*.gif;");
        QVERIFY(run.log.lines.contains("preview 16x16"));
        QCOMPARE(run.log.status, Installed);
        QCOMPARE(readFileBytes(run.messenger("lvback.gif")), makeGif(3, 16));
        QStringList kept = fileBytesIn(folder, "*.gif").keys();
        for (const QString& name : present) // 20 of ours kept: the oldest goes
            QCOMPARE(kept.removeAll(name), name == "r19.gif" ? 0 : 1);
        QCOMPARE(kept.size(), 1); // the new copy
        QCOMPARE(readFileBytes(folder + kept.first()), "old");
        run.controller.language().load(
            languageFile(run.profile.programFolder() + "/english.lng", 26));
        run.controller.installPickedFile(); // no picture: refused, the loading timer left alone
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(run.profile.world.messages.last(), "file dialog: GIF files (*.gif)|*.gif;");
        QCOMPARE(run.log.lines.last(), "status L4481 - Invalid picture");
        writeFileBytes(picture, "<html>"); // changed since it was shown: never installed
        run.controller.installSkin();
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(readFileBytes(run.messenger("lvback.gif")), makeGif(3, 16));
    }
    // Copies listed newest first, with what their names tell, after the background installed
    // now; only the program's own may be deleted, and only once the user says yes.
    void history_data()
    {
        QTest::addColumn<QString>("name");  // a file in the backups folder
        QTest::addColumn<bool>("recorded"); // in the program's list of its copies
        QTest::addColumn<QString>("seen");  // made|Messenger folder|ours; "changed": file's time
        const QString made = "2026-12-07 14.03.22.517";
        QTest::newRow("a copy of ours")
            << made + " MSN Messenger.gif" << true << "2026-12-07 14:03:22.517|MSN Messenger|1";
        QTest::newRow("two in one millisecond")
            << made + " Messenger 7 (2).gif" << true << "2026-12-07 14:03:22.517|Messenger 7|1";
        QTest::newRow("the user's own, named alike")
            << made + " MSN Messenger.gif" << false << "2026-12-07 14:03:22.517|MSN Messenger|0";
        QTest::newRow("a name that tells nothing") << "vakantie.gif" << false << "changed||0";
        QTest::newRow("no real time") << "2026-13-07 14.03.22.517 MSN.gif" << true << "changed||1";
    }
    void history()
    {
        QFETCH(QString, name);
        QFETCH(bool, recorded);
        QFETCH(QString, seen);
        Run run;
        const QString folder = run.profile.backupsFolder() + '/';
        const QString copy = writeFileBytes(folder + name, makeGif());
        const QString newer = writeFileBytes(folder + "2099-01-01 00.00.00.000 MSN.gif", "x");
        writeFileBytes(folder + ".drapello-backups", recorded ? name.toUtf8() + '\n' : "");
        writeFileBytes(run.messenger("lvback.gif"), makeGif(2));
        const QList<BackgroundEntry> entries = run.controller.backgrounds();
        QCOMPARE(entries.size(), 3);
        QVERIFY(entries.at(0).installed && entries.at(0).path == run.messenger("lvback.gif"));
        QCOMPARE(entries.at(1).path, newer);
        const BackgroundEntry& entry = entries.at(2);
        const QString format = "yyyy-MM-dd HH:mm:ss.zzz";
        QCOMPARE(QStringList({entry.when.toString(format), entry.messengerFolder,
                              QString::number(entry.ours)})
                     .join('|'),
                 seen.replace("changed", QFileInfo(copy).lastModified().toString(format)));
        QSignalSpy changed(&run.controller, &SkinController::backgroundsChanged);
        run.profile.world.answers << false << true;
        for (const BackgroundEntry& each : entries)
            run.controller.deleteBackground(each.path); // asks for ours alone; no, then yes
        run.controller.deleteBackground(entry.path);
        QTRY_COMPARE(changed.size(), recorded ? 1 : 0);
        QCOMPARE(run.profile.world.messages.size(), recorded ? 2 : 0);
        QCOMPARE(fileBytesIn(folder, "*.gif").size() +
                     fileBytesIn(run.profile.messengerFolder()).size(),
                 recorded ? 2 : 3);
        if (recorded)
            QCOMPARE(run.profile.world.messages.last(),
                     "question: Geschiedenis: Deze reservekopie verwijderen?\n\n" + name);
    }
    // The oldest of twenty copies put back: the install keeps what it replaces, which drops that
    // very copy, yet its bytes are what Messenger gets.
    void restoreTheOldest()
    {
        Run run;
        const QString folder = run.profile.backupsFolder() + '/';
        QStringList names; // oldest first
        for (int i = 0; i < 20; ++i) {
            names << QString("2000-01-%1 10.00.00.000 MSN Messenger.gif").arg(i + 10);
            writeFileBytes(folder + names.last(), makeGif(1, 8 + i));
        }
        writeFileBytes(folder + ".drapello-backups", names.join('\n').toUtf8());
        writeFileBytes(run.messenger("lvback.gif"), makeGif(2));
        run.profile.setSetting("installedskin", "Rood");
        run.controller.restoreBackground(folder + names.first());
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(run.log.status, Installed);
        QCOMPARE(readFileBytes(run.messenger("lvback.gif")), makeGif(1, 8));
        const QMap<QString, QByteArray> kept = fileBytesIn(folder, "*.gif"); // hidden ones too
        QCOMPARE(kept.size(), 20);
        QCOMPARE(kept.last(), makeGif(2)); // the background it replaced, newest
        QCOMPARE(run.profile.setting("installedskin"), "");
    }
    void remove()
    {
        Run run;
        writeFileBytes(run.messenger("lvback.gif"), makeGif());
        writeFileBytes(run.messenger("LVBack.gif"), makeGif(2));
        const qsizetype backgrounds =
            fileBytesIn(run.profile.messengerFolder(), "*.gif").size(); // 1 on Windows
        run.controller.removeSkin();
        QVERIFY(waitUntilIdle(run.controller));
        QCOMPARE(run.log.status, QStringLiteral("Achtergrond succesvol verwijderd!"));
        QVERIFY(fileBytesIn(run.profile.messengerFolder()).isEmpty());
        QCOMPARE(fileBytesIn(run.profile.backupsFolder(), "*.gif").size(), backgrounds);
        QCOMPARE(run.profile.world.actions.join(','), "msblwindowclass,msnmsblclass,msblclass");
    }
    // What the user may do while work runs: give up a download, take another skin, close.
    void whileATaskRuns()
    {
        using Task = SkinController::Task;
        const QString server = TestProfile::server();
        const auto skin = [](const char* name) {
            return CatalogueNode{CatalogueNode::Kind::Skin, name, " Auto"};
        };
        {
            // A newer preview replaces a stalled one, without a word from the old; Ctrl+I during
            // it installs what it shows once it is shown.
            Run run;
            run.profile.world.stalled << server + "Auto/Rood.gif";
            run.profile.world.files.insert(server + "Auto/Blauw.gif", makeGif(1, 12));
            run.controller.previewSkin(skin("Rood"));
            run.controller.previewSkin(skin("Blauw"));
            run.controller.installSkin();
            QVERIFY(waitUntilIdle(run.controller));
            QCOMPARE(run.log.status, Installed);
            QVERIFY(!run.log.lines.contains("status Fout bij het downloaden!"));
            QCOMPARE(readFileBytes(run.messenger("lvback.gif")), makeGif(1, 12));
        }
        {
            // Closing ends a stalled refresh at once and reports nothing more; the lists set aside
            // wait for the next start.
            Run run;
            run.profile.world.stalled << server + "voruzide.txt";
            writeFileBytes(run.profile.cacheFolder() + "/voruzide.tmp", "A");
            run.controller.refreshCatalogue();
            run.controller.loadCatalogue();
            QCOMPARE(run.controller.task(), Task::Loading);
            const QStringList before = run.log.lines;
            run.controller.shutDown();
            QCOMPARE(run.controller.task(), Task::None);
            QTest::qWait(50);
            QCOMPARE(run.log.lines.mid(before.size()),
                     QStringList{"busy 0"}); // the cursor put back
            QVERIFY(!QFileInfo::exists(run.profile.cacheFolder() + "/voruzide.tmp"));
            QCOMPARE(fileBytesIn(run.profile.cacheFolder(), "*").size(), 0);
        }
    }
    void keptServers_data()
    {
        QTest::addColumn<QString>("base");    // as stored; "-": not stored
        QTest::addColumn<QString>("servers"); // as stored; "-": not stored
        QTest::addColumn<QString>("listed");  // the list shown, blank-separated
        const QString d = TestProfile::server(), a = "http://a.nl/skins/", b = "https://b.nl/";
        QTest::newRow("neither: the built-in one") << "-"
                                                   << "-" << d;
        QTest::newRow("older settings: the one in use after it") << a << "-" << d + ' ' + a;
        QTest::newRow("in use and listed: once") << a << b + ' ' + a << d + ' ' + b + ' ' + a;
        QTest::newRow("in use, not listed: shown last") << a << b << d + ' ' + b + ' ' + a;
        QTest::newRow("built-in stored: still first, once") << "-" << b + ' ' + d << d + ' ' + b;
        QTest::newRow("wrong forms dropped")
            << "-"
            << "a.nl/ ftp://a.nl/ http://a.nl http:///x/ http://a.nl/?q=/ http://a.nl/#f/ "
               "http://a	b.nl/ HTTPS://B.NL/"
            << d + " HTTPS://B.NL/";
    }
    // The list shown, from what older or hand-edited settings hold; what adding one stores;
    // the server in use stays as stored.
    void keptServers()
    {
        QFETCH(QString, base);
        QFETCH(QString, servers);
        QFETCH(QString, listed);
        Run run;
        if (base != "-")
            run.profile.setSetting("base", base);
        if (servers != "-")
            run.profile.setSetting("servers", servers);
        ServerList& list = run.controller.servers();
        QCOMPARE(list.servers().join(' '), listed);
        list.add("http://new.nl/");
        QCOMPARE(run.profile.setting("servers"),
                 (listed.section(' ', 1) + " http://new.nl/").trimmed());
        QCOMPARE(run.profile.setting("base"), base == "-" ? "<missing>" : base);
    }
    void language_data()
    {
        QTest::addColumn<int>("lines");       // -1: no file, -2: a FIFO
        QTest::addColumn<bool>("twoFolders"); // a user's folder first, holding a good my.lng too
        // message|text 2|text 21|text 28|stored language|files offered
        QTest::addColumn<QString>("seen");
        // A refused file leaves its messages and changes no caption.
        const QString bad =
            "Error: Error in language file, cannot read input. Restart this program "
            "to load the default language.|L2||Geschiedenis||my.lng";
        const QString missing = "Error: Language file is missing. The default language will be "
                                "loaded.|" +
                                Installed + "||Geschiedenis||";
        // Lines after the 26th are the newer captions; a file without them shows them in English.
        QTest::newRow("26 lines") << 26 << false << "|L2|L21|History|my.lng|my.lng";
        QTest::newRow("28 lines") << 28 << false << "|L2|L21|L28|my.lng|my.lng";
        QTest::newRow("a line for every text and more")
            << LanguageTable::entryCount() + 5 << false << "|L2|L21|L28|my.lng|my.lng";
        QTest::newRow("25 lines") << 25 << false << bad;
        QTest::newRow("missing") << -1 << false << missing;
        QTest::newRow("a FIFO, neither read nor offered") << -2 << false << missing;
        QTest::newRow("user's copy first, each name once")
            << 25 << true << "|L2|L21|History|my.lng|my.lng,user.lng";
    }
    void language()
    {
        QFETCH(int, lines);
        QFETCH(bool, twoFolders);
        QFETCH(QString, seen);
        TestProfile profile;
        if (twoFolders) {
            profile.services.languageFolders =
                QStringList{profile.path("u"), profile.programFolder()};
            languageFile(profile.path("u/my.lng"), 26);
            languageFile(profile.path("u/user.lng"), 26);
        }
        SkinController controller(profile.services);
        if (lines >= 0)
            languageFile(profile.programFolder() + "/my.lng", lines);
        if (lines == -2 && !makeFifo(profile.programFolder() + "/my.lng"))
            QSKIP("no named pipes in folders here");
        profile.setSetting("language", "my.lng");
        QSignalSpy captions(&controller.language(), &LanguageManager::captionsChanged);
        controller.language().loadStored();
        const LanguageManager& language = controller.language();
        QCOMPARE(
            QStringList({profile.world.messages.join('/'), language.text(UiText::SkinInstalled),
                         language.text(UiText::CollapseAllItem), language.text(UiText::HistoryItem),
                         profile.setting("language"), language.languageFiles().join(',')})
                .join('|'),
            seen);
        QCOMPARE(captions.size(), seen.startsWith('|') ? 1 : 0);
    }
    void startChoosesCacheMode_data()
    {
        QTest::addColumn<QString>("stored"); // settings stored before: "key=value,..."
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<QString>("status"); // "": the list is missing, else the error
        QTest::addColumn<bool>("chosen");    // the chooser is skipped
        const auto row = [](const char* name, const char* stored, const char* commandLine,
                            bool downloads, const char* status, bool chosen) {
            QTest::newRow(name) << QString(stored) << QString(commandLine) << downloads
                                << QString(status) << chosen;
        };
        row("default", "", "", true, "", false);
        row("box cleared", "updatelist=0,algedaan=1", "", false, "", true);
        row("box greyed", "updatelist=2,algedaan=2", "", false, "", false);
        row("halves to even, 0.5 unchecked", "updatelist=0.5,algedaan= 1 ", "", false, "", true);
        row("halves to even, 2.5 greyed", "updatelist=2.5,algedaan=1.5", "", false, "", false);
        row("loadcache", "updatelist=1", "LoadCache", false, "", false);
        row("a picture given", "updatelist=1", "PICTURE", false, "", false);
        row("a picture in quotes", "updatelist=1", "\"PICTURE\"", false, "", false);
        row("no number", "updatelist=x", "", false, "13 - Type mismatch", false);
        row("out of range", "updatelist=3", "", false, "380 - Invalid property value", false);
    }
    void startChoosesCacheMode()
    {
        QFETCH(QString, stored);
        QFETCH(QString, commandLine);
        QFETCH(bool, downloads);
        QFETCH(QString, status);
        QFETCH(bool, chosen);
        TestProfile profile;
        for (const QString& setting : stored.split(',', Qt::SkipEmptyParts))
            profile.setSetting(setting.section('=', 0, 0), setting.section('=', 1));
        commandLine.replace("PICTURE", writeFileBytes(profile.path("given.gif"), makeGif()));
        SkinController controller(profile.services);
        ReportLog log(controller);
        controller.language().loadDefault();
        controller.start(commandLine);
        QCOMPARE(controller.loadingPending(), status.isEmpty());
        if (controller.loadingPending())
            controller.loadCatalogue();
        QVERIFY(waitUntilIdle(controller));
        QCOMPARE(!profile.world.asked.isEmpty(), downloads);
        QCOMPARE(log.status,
                 status.isEmpty() ? "Skinlijst ontbreekt. Update de skinlijst!" : Prefix + status);
        QCOMPARE(log.lines.contains("install 1"), commandLine.contains("given.gif"));
        QCOMPARE(profile.setting("path"), status.isEmpty()
                                              ? QDir::toNativeSeparators(profile.programFolder())
                                              : "<missing>");
        QCOMPARE(controller.settings().languageChosen(), chosen);
    }
    // Everything the window is told, in the order it is told, for the commands a user runs: the
    // status texts, the progress bar, the busy cursor, the preview, the install controls and the
    // tree. report_order.txt holds the order the program has always shown, recorded before commands
    // stopped waiting for their ends; no change to how commands run may change a line of it.
    void reportsInTheSameOrder_data()
    {
        // Steps, one after the other, each run to its end: "load" (the timer's pass), "refresh",
        // "preview Category/Skin", "preview Category", "install", "remove", "pick", "server down"
        // (every file gone from the server).
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QStringList>("cached"); // list copies in Cache before the start
        QTest::addColumn<QStringList>("steps");
        const QStringList none;
        QTest::newRow("first pass") << "" << none << QStringList{"load"};
        QTest::newRow("list gone from the server, copy kept")
            << "" << QStringList{"C.tmp"} << QStringList{"load"};
        QTest::newRow("pass from the copies")
            << "loadcache" << QStringList{"voruzide.tmp", "A.tmp"} << QStringList{"load"};
        QTest::newRow("refresh") << "" << none << QStringList{"load", "refresh", "load"};
        QTest::newRow("refresh, server gone")
            << "" << none << QStringList{"load", "server down", "refresh", "load"};
        QTest::newRow("preview, install, remove")
            << "" << none
            << QStringList{"load", "preview A/x", "install", "remove", "preview A", "install"};
        QTest::newRow("preview failures")
            << "" << none
            << QStringList{"preview A/missing", "preview A/page", "preview A/x", "preview A/page",
                           "install"};
        QTest::newRow("picked file") << "" << none << QStringList{"pick", "install"};
        QTest::newRow("server's not found") << "" << QStringList{"notfound"} << QStringList{"load"};
    }
    void reportsInTheSameOrder()
    {
        QFETCH(QString, commandLine);
        QFETCH(QStringList, cached);
        QFETCH(QStringList, steps);
        TestProfile profile;
        FakeWorld& world = profile.world;
        world.files = {{TestProfile::server() + "voruzide.txt", "A*B*C"},
                       {TestProfile::server() + "A.txt", "x*y*page*missing"},
                       {TestProfile::server() + "B.txt", "z"},
                       {TestProfile::server() + "A/x.gif", makeGif()},
                       {TestProfile::server() + "A/page.gif", "<html>"}};
        for (const QString& copy : cached)
            writeFileBytes(profile.cacheFolder() + '/' +
                               (copy == "notfound" ? "voruzide.tmp" : copy),
                           copy == "notfound" ? "notfound" : "A*B");
        if (cached.contains("notfound"))
            world.files.insert(TestProfile::server() + "voruzide.txt", "notfound");
        world.nextFiles << writeFileBytes(profile.path("mine.gif"), makeGif(1, 12));
        profile.setSetting("algedaan", "1");
        SkinController controller(profile.services);
        ReportLog log(controller);
        controller.language().loadStored();
        controller.start(commandLine);
        controller.stopLoading();
        for (const QString& step : steps) {
            log.lines << "> " + step;
            const QString category = step.section(' ', 1).section('/', 0, 0);
            const QString skin = step.section('/', 1);
            if (step == "refresh") {
                controller.refreshCatalogue();
                controller.stopLoading();
                continue;
            }
            if (step == "server down")
                world.files.clear();
            else if (step == "load")
                controller.loadCatalogue();
            else if (step == "install")
                controller.installSkin();
            else if (step == "remove")
                controller.removeSkin();
            else if (step == "pick")
                controller.installPickedFile();
            else
                controller.previewSkin(
                    skin.isEmpty()
                        ? CatalogueNode{CatalogueNode::Kind::Category, ' ' + category, {}}
                        : CatalogueNode{CatalogueNode::Kind::Skin, skin, ' ' + category});
            QVERIFY(waitUntilIdle(controller));
        }
        log.lines << "> windows" << world.actions.join(',');
        QCOMPARE(perStep(log.lines).join('\n'), reference(QTest::currentDataTag()));
    }
};

QTEST_GUILESS_MAIN(TestSkinController)
#include "tst_skin_controller.moc"
