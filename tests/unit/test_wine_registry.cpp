#include "platform/linux/wine_registry.h"
#include "platform/linux/wine_registry_reader.h"
#include "core/services/services.h"
#include "support/wine_fixture.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString MsnKey = QStringLiteral("Software\\Microsoft\\MSNMessenger");
const QString ServicePath =
    QStringLiteral("HKLM\\Software\\Microsoft\\MessengerService\\InstallationDirectory");
const QString MsnPath =
    QStringLiteral("HKLM\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory");

// Sets an environment variable for one test and puts the old state back.
struct EnvironmentOverride {
    EnvironmentOverride(const char* name, const QString& value)
        : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~EnvironmentOverride() { had ? void(qputenv(name, old)) : void(qunsetenv(name)); }
    const char* name;
    bool had;
    QByteArray old;
};
} // namespace

class TestWineRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void value_data();
    void value();
    void crlfAndWrappedHex();
    void pathToLocal_data();
    void pathToLocal();
    void readValue_data();
    void readValue();
    void readValueFollowsTheFile();
    void storedPrefixBeforeEnvironment();
    void systemPlatformReadsTheSetting();
};

void TestWineRegistry::value_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("text");

    const QByteArray msn = "[Software\\\\Microsoft\\\\MSNMessenger] 1700000000\n#time=1d9\n";
    QTest::newRow("plain string")
        << msn + "\"InstallationDirectory\"=\"C:\\\\Program Files\\\\MSN Messenger\\\\\"\n"
        << MsnKey << "InstallationDirectory" << true << "C:\\Program Files\\MSN Messenger\\";
    QTest::newRow("key and name in other case") << msn + "\"InstallationDirectory\"=\"x\"\n"
                                                << "SOFTWARE\\microsoft\\msnmessenger"
                                                << "installationdirectory" << true << "x";
    // Hex escapes stop after four digits, octal ones after three.
    QTest::newRow("escapes") << msn + "\"V\"=\"a\\\\b\\\"c\\x00e9d\\n\\1011\\x263a\\tz\\q\\xe9g\\7x\"\n"
                             << MsnKey << "V" << true
                             << QString::fromUtf8("a\\b\"céd\nA1\u263a\tzqég\ax");
    QTest::newRow("utf-8 written as is") << msn + "\"V\"=\"C:\\\\Café\"\n"
                                         << MsnKey << "V" << true << QString::fromUtf8("C:\\Café");
    QTest::newRow("empty string") << msn + "\"InstallationDirectory\"=\"\"\n"
                                  << MsnKey << "InstallationDirectory" << true << "";
    QTest::newRow("expand string") << msn + "\"V\"=str(2):\"%ProgramFiles%\\\\MSN\"\n"
                                   << MsnKey << "V" << true << "%ProgramFiles%\\MSN";
    QTest::newRow("str: form") << msn + "\"V\"=str:\"abc\"\n" << MsnKey << "V" << true << "abc";
    QTest::newRow("hex(1) utf-16 stops at nul")
        << msn + "\"V\"=hex(1):43,00,3a,00,5c,00,41,00,00,00,42,00\n" << MsnKey << "V" << true
        << "C:\\A";
    QTest::newRow("dword as decimal") << msn + "\"V\"=dword:0000002a\n"
                                      << MsnKey << "V" << true << "42";
    QTest::newRow("binary has no text") << msn + "\"V\"=hex:41,00,42,00\n"
                                        << MsnKey << "V" << true << "";
    QTest::newRow("multi string has no text") << msn + "\"V\"=str(7):\"a\\0b\"\n"
                                              << MsnKey << "V" << true << "";
    QTest::newRow("default value") << msn + "@=\"standard\"\n"
                                   << MsnKey << "@" << true << "standard";
    QTest::newRow("comments and hash lines between values")
        << msn + ";; a comment\n#class=\"x\"\n\n  \"V\" = \"spaced\"  \n"
        << MsnKey << "V" << true << "spaced";
    QTest::newRow("escaped quote in value name") << msn + "\"a\\\"b\"=\"ok\"\n"
                                                 << MsnKey << "a\"b" << true << "ok";
    QTest::newRow("value under another key only")
        << "[Software\\\\Microsoft\\\\MessengerService] "
           "1\n\"InstallationDirectory\"=\"C:\\\\A\"\n" +
               msn + "\"Other\"=\"x\"\n"
        << MsnKey << "InstallationDirectory" << false << "";
    QTest::newRow("key whose name only starts alike")
        << QByteArray("[Software\\\\Microsoft\\\\MSNMessenger2] 1\n\"V\"=\"x\"\n") << MsnKey << "V"
        << false << "";
    QTest::newRow("missing key") << QByteArray() << MsnKey << "V" << false << "";
    QTest::newRow("unterminated string") << msn + "\"V\"=\"C:\\\\A\n"
                                         << MsnKey << "V" << false << "";
    QTest::newRow("bad hex byte") << msn + "\"V\"=hex(1):4g,00\n" << MsnKey << "V" << false << "";
    QTest::newRow("unknown data form") << msn + "\"V\"=qword:1\n" << MsnKey << "V" << false << "";
    QTest::newRow("later key ends the wanted one") << msn + "[Software\\\\Other] 1\n\"V\"=\"x\"\n"
                                                   << MsnKey << "V" << false << "";
}

void TestWineRegistry::value()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(bool, found);
    QFETCH(QString, text);

    const WineRegistry registry(systemReg("win32", body));
    QVERIFY(registry.hasHeader());
    const auto value = registry.value(key, name);
    QCOMPARE(value.has_value(), found);
    if (found)
        QCOMPARE(value->asText(), text);
}

void TestWineRegistry::crlfAndWrappedHex()
{
    // "C:\Program Files\MSN Messenger\" in UTF-16LE, wrapped as regedit and Wine wrap long data.
    QByteArray hex;
    const QString path = QStringLiteral("C:\\Program Files\\MSN Messenger\\");
    for (const QChar c : path)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(2, '0') + ",00,";
    hex += "00,00";
    QByteArray wrapped;
    for (qsizetype at = 0; at < hex.size(); at += 24) // eight bytes a line
        wrapped += (at ? "\\\n  " : "") + hex.mid(at, 24);

    QByteArray text = systemReg("win64", "[Software\\\\Microsoft\\\\MSNMessenger] 1\n"
                                         "\"InstallationDirectory\"=hex(2):" +
                                             wrapped + "\n\"After\"=\"next line\"\n");
    text.replace("\n", "\r\n");
    QVERIFY(wrapped.count('\n') >= 3);

    const WineRegistry registry(text);
    QVERIFY(registry.hasHeader());
    QCOMPARE(registry.value(MsnKey, QStringLiteral("InstallationDirectory"))->asText(), path);
    QCOMPARE(registry.value(MsnKey, QStringLiteral("After"))->asText(),
             QStringLiteral("next line"));

    QVERIFY(!WineRegistry("REGEDIT4\n[Software\\\\Microsoft\\\\MSNMessenger]\n\"After\"=\"x\"\n")
                 .value(MsnKey, QStringLiteral("After")));
    QVERIFY(!WineRegistry::load(QStringLiteral("/nonexistent/system.reg")).hasHeader());

    // A file over the size limit is not read at all; one at the limit is.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("system.reg"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
    out.close();
    QVERIFY(WineRegistry::load(file, text.size()).value(MsnKey, QStringLiteral("After")));
    QVERIFY(!WineRegistry::load(file, text.size() - 1).hasHeader());
}

void TestWineRegistry::pathToLocal_data()
{
    QTest::addColumn<QString>("windowsPath");
    QTest::addColumn<QString>("expected"); // "<c>" for drive_c, "<d>" for the absolute link

    QTest::newRow("trailing backslash stays") << "C:\\Program Files\\MSN Messenger\\"
                                              << "<c>/Program Files/MSN Messenger/";
    QTest::newRow("no trailing backslash") << "C:\\Program Files\\MSN Messenger"
                                           << "<c>/Program Files/MSN Messenger";
    QTest::newRow("two trailing backslashes fold into one") << "C:\\Program Files\\\\"
                                                            << "<c>/Program Files/";
    QTest::newRow("components in other case") << "c:\\PROGRAM FILES\\msn messenger\\"
                                              << "<c>/Program Files/MSN Messenger/";
    QTest::newRow("forward slashes") << "C:/Program Files/MSN Messenger"
                                     << "<c>/Program Files/MSN Messenger";
    QTest::newRow("missing component stays as written") << "C:\\program files\\Gone\\MSN Messenger"
                                                        << "<c>/Program Files/Gone/MSN Messenger";
    // Found by fuzzing: ".." used to climb out of the drive's folder.
    QTest::newRow("parent of the root stays at the root") << "C:\\\\..\\PwinDows\\..\\P=es\\-\\=x"
                                                          << "<c>/P=es/-/=x";
    QTest::newRow("dot and parent components")
        << "C:\\..\\..\\Program Files\\.\\Gone\\..\\msn messenger\\"
        << "<c>/Program Files/MSN Messenger/";
    QTest::newRow("doubled separators") << "C:\\\\Program Files//MSN Messenger"
                                        << "<c>/Program Files/MSN Messenger";
    QTest::newRow("parent of the root only") << "C:\\.."
                                             << "<c>";
    QTest::newRow("drive root") << "C:\\"
                                << "<c>/";
    QTest::newRow("absolute drive link") << "D:\\Data"
                                         << "<d>/Data";
    QTest::newRow("missing drive link") << "E:\\Program Files"
                                        << "";
    QTest::newRow("dangling drive link") << "F:\\x"
                                         << "";
    QTest::newRow("relative path") << "Program Files\\MSN Messenger"
                                   << "";
    QTest::newRow("drive-relative path") << "C:Program Files"
                                         << "";
    QTest::newRow("network path") << "\\\\server\\share"
                                  << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestWineRegistry::pathToLocal()
{
    QFETCH(QString, windowsPath);
    QFETCH(QString, expected);

    WinePrefixFixture wine;
    wine.makeFolder(QStringLiteral("Program Files/MSN Messenger"));
    const QString driveD = wine.path() + QStringLiteral("/drive_d");
    QVERIFY(QDir().mkpath(driveD + QStringLiteral("/Data")));
    QVERIFY(QFile::link(driveD, wine.path() + QStringLiteral("/dosdevices/d:")));
    QVERIFY(
        QFile::link(QStringLiteral("../nowhere"), wine.path() + QStringLiteral("/dosdevices/f:")));

    expected.replace(QStringLiteral("<c>"), wine.driveC());
    expected.replace(QStringLiteral("<d>"), driveD);
    QCOMPARE(winePathToLocal(wine.path(), windowsPath), expected);
}

void TestWineRegistry::readValue_data()
{
    QTest::addColumn<QByteArray>("arch");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("valuePath");
    QTest::addColumn<QString>("expected"); // under drive_c; "-" for empty text

    const QString a = QStringLiteral("C:\\Program Files\\A\\");
    const QString b = QStringLiteral("C:\\Program Files\\B");
    const QString none; // null: the value is left out

    QTest::newRow("win64: 32-bit key first")
        << QByteArray("win64") << messengerKeys(none, b, true) + messengerKeys(none, a) << MsnPath
        << "Program Files/B";
    QTest::newRow("win64: plain key when the 32-bit one lacks the value")
        << QByteArray("win64") << messengerKeys(none, none, true) + messengerKeys(none, a)
        << MsnPath << "Program Files/A/";
    QTest::newRow("win64: 32-bit key only")
        << QByteArray("win64") << messengerKeys(a, none, true) << ServicePath << "Program Files/A/";
    QTest::newRow("win32: the 32-bit view is not looked at")
        << QByteArray("win32") << messengerKeys(a, b, true) << MsnPath << "-";
    QTest::newRow("win32: plain key")
        << QByteArray("win32") << messengerKeys(a, b) << ServicePath << "Program Files/A/";
    QTest::newRow("no arch: plain key only")
        << QByteArray() << messengerKeys(none, b, true) + messengerKeys(none, a) << MsnPath
        << "Program Files/A/";
    QTest::newRow("long hive name") << QByteArray("win32") << messengerKeys(a, b)
                                    << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\MSNMessenger\\"
                                       "InstallationDirectory"
                                    << "Program Files/B";
    QTest::newRow("other hive") << QByteArray("win32") << messengerKeys(a, b)
                                << "HKCU\\Software\\Microsoft\\MSNMessenger\\InstallationDirectory"
                                << "-";
    QTest::newRow("value under the other key only")
        << QByteArray("win32") << messengerKeys(a, none) << MsnPath << "-";
    QTest::newRow("empty value") << QByteArray("win32") << messengerKeys(QStringLiteral(""), b)
                                 << ServicePath << "-";
    QTest::newRow("missing drive link")
        << QByteArray("win32") << messengerKeys(QStringLiteral("D:\\Messenger"), b) << ServicePath
        << "-";
    QTest::newRow("path components in other case")
        << QByteArray("win32") << messengerKeys(QStringLiteral("c:\\PROGRAM FILES\\a"), b)
        << ServicePath << "Program Files/A";
    QTest::newRow("value path without a value name")
        << QByteArray("win32") << messengerKeys(a, b) << "HKLM"
        << "-";
}

void TestWineRegistry::readValue()
{
    QFETCH(QByteArray, arch);
    QFETCH(QByteArray, body);
    QFETCH(QString, valuePath);
    QFETCH(QString, expected);

    WinePrefixFixture wine;
    wine.makeFolder(QStringLiteral("Program Files/A"));
    wine.makeFolder(QStringLiteral("Program Files/B"));
    wine.writeSystemReg(systemReg(arch, body));
    WineRegistryReader reader([&] { return wine.path(); });
    QCOMPARE(reader.readValue(valuePath), expected == QLatin1String("-")
                                              ? QString()
                                              : wine.driveC() + QLatin1Char('/') + expected);
}

void TestWineRegistry::readValueFollowsTheFile()
{
    WinePrefixFixture wine;
    wine.makeFolder(QStringLiteral("Messenger"));
    WineRegistryReader reader([&] { return wine.path(); });
    QCOMPARE(reader.readValue(MsnPath), QString()); // no system.reg yet

    wine.writeSystemReg(systemReg("win32", messengerKeys({}, QStringLiteral("C:\\Messenger"))));
    QCOMPARE(reader.readValue(MsnPath), wine.driveC() + QStringLiteral("/Messenger"));

    wine.writeSystemReg(systemReg("win32", messengerKeys({}, {})));
    QCOMPARE(reader.readValue(MsnPath), QString());

    wine.writeSystemReg("not a registry\n" + messengerKeys({}, QStringLiteral("C:\\Messenger")));
    QCOMPARE(reader.readValue(MsnPath), QString());

    WineRegistryReader missing([] { return QStringLiteral("/nonexistent/prefix"); });
    QCOMPARE(missing.readValue(MsnPath), QString());
}

void TestWineRegistry::storedPrefixBeforeEnvironment()
{
    WinePrefixFixture stored;
    WinePrefixFixture fromEnvironment;
    stored.makeFolder(QStringLiteral("Stored"));
    fromEnvironment.makeFolder(QStringLiteral("Env"));
    stored.writeSystemReg(systemReg("win32", messengerKeys({}, QStringLiteral("C:\\Stored"))));
    fromEnvironment.writeSystemReg(
        systemReg("win32", messengerKeys({}, QStringLiteral("C:\\Env"))));

    const EnvironmentOverride environment("WINEPREFIX", fromEnvironment.path());
    QString setting = stored.path();
    WineRegistryReader reader([&] { return setting; });
    const QString withSetting = reader.readValue(MsnPath);
    setting.clear();
    const QString withoutSetting = reader.readValue(MsnPath);

    QCOMPARE(withSetting, stored.driveC() + QStringLiteral("/Stored"));
    QCOMPARE(withoutSetting, fromEnvironment.driveC() + QStringLiteral("/Env"));
}

void TestWineRegistry::systemPlatformReadsTheSetting()
{
    QTemporaryDir home;
    WinePrefixFixture wine;
    wine.makeFolder(QStringLiteral("Messenger"));
    wine.writeSystemReg(systemReg("win32", messengerKeys(QStringLiteral("C:\\Messenger\\"), {})));
    QSettings(home.path() + QStringLiteral("/config/KorvaneSoftware.ini"), QSettings::IniFormat)
        .setValue(QStringLiteral("Drapello/wineprefix"), wine.path());
    const EnvironmentOverride environment("XDG_CONFIG_HOME",
                                          home.path() + QStringLiteral("/config"));
    const EnvironmentOverride runtime("XDG_RUNTIME_DIR", home.path());
    Services platform = systemServices();

    QCOMPARE(platform.registry->readValue(ServicePath),
             wine.driveC() + QStringLiteral("/Messenger/"));
}

QTEST_GUILESS_MAIN(TestWineRegistry)
#include "test_wine_registry.moc"
