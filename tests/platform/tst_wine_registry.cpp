#include "platform/linux/wine_registry.h"
#include "platform/linux/wine_registry_reader.h"
#include "support/test_profile.h"
#include "support/wine_fixture.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {
const QString MsnKey = "Software\\Microsoft\\MSNMessenger";
const QString MsnPath = "HKLM\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory";
} // namespace

class TestWineRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void value_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // null: not found
        const auto row = [](const char* title, const QByteArray& body, const QString& key,
                            const char* name, const QString& text) {
            QTest::newRow(title) << body << key << QString(name) << text;
        };
        const QByteArray msn = "[Software\\\\Microsoft\\\\MSNMessenger] 1700000000\n#time=1d9\n";
        row("plain string", msn + "\"V\"=\"C:\\\\Program Files\\\\MSN\\\\\"\n", MsnKey, "V",
            "C:\\Program Files\\MSN\\");
        row("key and name in other case", msn + "\"InstallationDirectory\"=\"x\"\n",
            "SOFTWARE\\microsoft\\msnmessenger", "installationdirectory", "x");
        // Hex escapes stop after four digits, octal ones after three.
        row("escapes", msn + "\"V\"=\"a\\\\b\\\"c\\x00e9d\\n\\1011\\x263a\\tz\\q\\xe9g\\7x\"\n",
            MsnKey, "V", QString::fromUtf8("a\\b\"céd\nA1\u263a\tzqég\ax"));
        // Long data is wrapped, as regedit and Wine wrap it.
        row("expand string, wrapped",
            msn + "\"V\"=hex(2):43,00,3a,00,\\\n  5c,00,4d,00,00,00,42,00\n", MsnKey, "V", "C:\\M");
        row("dword as decimal", msn + "\"V\"=dword:0000002a\n", MsnKey, "V", "42");
        row("default value", msn + "@=\"standard\"\n", MsnKey, "@", "standard");
        row("key whose name only starts alike",
            "[Software\\\\Microsoft\\\\MSNMessenger2] 1\n\"V\"=\"x\"\n", MsnKey, "V", QString());
        row("later key ends the wanted one", msn + "[Software\\\\Other] 1\n\"V\"=\"x\"\n", MsnKey,
            "V", QString());
    }
    void value()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QString, text);
        for (const QByteArray& lineEnd : {QByteArray("\n"), QByteArray("\r\n")}) {
            const WineRegistry registry(systemReg("win32", body).replace("\n", lineEnd));
            QVERIFY(registry.hasHeader());
            const auto value = registry.value(key, name);
            QCOMPARE(value.has_value(), !text.isNull());
            if (value)
                QCOMPARE(value->asText(), text);
        }
    }
    void readValue_data()
    {
        QTest::addColumn<QByteArray>("registry"); // system.reg
        QTest::addColumn<QString>("valuePath");
        QTest::addColumn<QString>("expected"); // "<c>" for drive_c, "<z>" for the link to /
        const QString a = "C:\\Program Files\\A\\";
        const QString b = "C:\\Program Files\\B";
        const QString none; // null: the value is left out
        QTest::newRow("win64: 32-bit key first")
            << systemReg("win64", messengerKeys(none, b, true) + messengerKeys(none, a)) << MsnPath
            << "<c>/Program Files/B";
        QTest::newRow("win64: plain key when the 32-bit one lacks the value")
            << systemReg("win64", messengerKeys(none, none, true) + messengerKeys(none, a))
            << MsnPath << "<c>/Program Files/A/";
        QTest::newRow("win32: the 32-bit view is not looked at")
            << systemReg("win32", messengerKeys(a, b, true)) << MsnPath << "";
        QTest::newRow("long hive name")
            << systemReg("win32", messengerKeys(a, b))
            << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory"
            << "<c>/Program Files/B";
        // Where a folder named in the registry is: case as on disk, dots resolved.
        const auto row = [](const char* path, const char* expected) {
            QTest::newRow(path) << systemReg("win32", messengerKeys({}, QString(path))) << MsnPath
                                << QString(expected);
        };
        row("C:\\Program Files\\MSN Messenger\\", "<c>/Program Files/MSN Messenger/");
        row("c:\\PROGRAM FILES\\msn messenger\\", "<c>/Program Files/MSN Messenger/");
        row("C:\\program files\\Gone\\MSN Messenger", "<c>/Program Files/Gone/MSN Messenger");
        row("C:\\..\\..\\Program Files\\.\\Gone\\..\\msn messenger\\",
            "<c>/Program Files/MSN Messenger/");
        row("Z:\\Data", "<z>/Data"); // Wine's own view of the Linux root
        row("E:\\Program Files", "");
        row("\\\\server\\share", "");
    }
    void readValue()
    {
        QFETCH(QByteArray, registry);
        QFETCH(QString, valuePath);
        QFETCH(QString, expected);
        WinePrefixFixture wine;
        for (const char* folder : {"A", "B", "MSN Messenger"})
            wine.makeFolder("Program Files/" + QString(folder));
        const QString root = wine.path() + "/root";
        QVERIFY(QDir().mkpath(root + "/Data"));
        QVERIFY(QFile::link(root, wine.path() + "/dosdevices/z:"));
        wine.writeSystemReg(registry);
        QFile file(wine.path() + "/system.reg"); // as it stands for a minute
        QVERIFY(file.open(QIODevice::Append) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                 QFile::FileModificationTime));
        file.close();
        WineRegistryReader reader([&] { return wine.path(); });
        expected.replace("<c>", wine.driveC()).replace("<z>", root);
        QCOMPARE(reader.readValue(valuePath), expected);
        // Wine rewrites the file while it runs: a changed file is read again.
        const QString a = "C:\\Program Files\\A\\";
        wine.writeSystemReg(systemReg("win64", messengerKeys(a, a, true) + messengerKeys(a, a)));
        QCOMPARE(reader.readValue(valuePath), wine.driveC() + "/Program Files/A/");
    }
    void frontEndPrefix_data()
    {
        // Below home: "<path>=msn" (Messenger's folder there), "=gone", or "=fifo" (Messenger's
        // folder there, and a FIFO fed its registry for system.reg); "<path>*N" makes N of them.
        // ".wine" is chosen.
        QTest::addColumn<QString>("prefixes");
        QTest::addColumn<QString>("expected"); // the prefix used
        const auto row = [](const char* title, const char* prefixes, const char* expected) {
            QTest::newRow(title) << QString(prefixes) << QString(expected);
        };
        row("none", ".wine=gone", ".wine");
        row("one", ".wine=gone Games/msn=msn", "Games/msn");
        row("two: the first front-end's, not the first name",
            ".PlayOnLinux/wineprefix/a=msn .local/share/wineprefixes/b=msn",
            ".local/share/wineprefixes/b");
        row("one whose folder is gone",
            ".local/share/wineprefixes/a=gone .local/share/wineprefixes/b=msn",
            ".local/share/wineprefixes/b");
        row("the chosen one first", ".wine=msn .local/share/wineprefixes/a=msn", ".wine");
        row("a FIFO for system.reg", ".wine=gone .local/share/wineprefixes/a=fifo Games/b=msn",
            "Games/b");
        row("past the search's cap",
            ".wine=gone .local/share/wineprefixes/d*256=gone Games/msn=msn", ".wine");
    }
    void frontEndPrefix()
    {
        QFETCH(QString, prefixes);
        QFETCH(QString, expected);
        QTemporaryDir home;
        const QString messenger = "/drive_c/Program Files/MSN Messenger";
        const QByteArray registry =
            systemReg("win32", messengerKeys({}, "C:" + messenger.mid(8).replace(u'/', u'\\')));
        QProcess feeder; // blocks until someone opens the FIFO, then feeds it
        for (const QString& entry : prefixes.split(u' ')) {
            const QString name = entry.section(u'=', 0, 0);
            const int copies = name.contains(u'*') ? name.section(u'*', 1).toInt() : 1;
            for (int i = 0; i < copies; ++i) {
                const QString prefix = home.filePath(
                    copies == 1 ? name : name.section(u'*', 0, 0) + QString::asprintf("%03d", i));
                QVERIFY(QDir().mkpath(prefix + "/dosdevices"));
                QFile::link("../drive_c", prefix + "/dosdevices/c:");
                if (!entry.endsWith("=gone"))
                    QVERIFY(QDir().mkpath(prefix + messenger));
                const QString reg = prefix + "/system.reg";
                const bool fifo = entry.endsWith("=fifo");
                writeFileBytes(fifo ? reg + u'2' : reg, registry);
                QVERIFY(!fifo || makeFifo(reg));
                if (fifo)
                    feeder.start("sh", {"-c", "exec cat \"$0\"2 > \"$0\"", reg});
            }
        }
        WineRegistryReader reader([&] { return home.filePath(".wine"); }, home.path());
        reader.searchAhead();
        QCOMPARE(reader.messengerPrefix(), home.filePath(expected));
        const bool found = prefixes.contains(expected + "=msn");
        QCOMPARE(reader.readValue(MsnPath),
                 found ? home.filePath(expected) + messenger : QString());
        feeder.kill();
        feeder.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestWineRegistry)
#include "tst_wine_registry.moc"
