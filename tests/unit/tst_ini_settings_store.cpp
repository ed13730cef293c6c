// The Linux settings file: what people type in it reads as typed, what QSettings wrote before
// reads the same, and storing a value leaves every byte but that value's line as it was.
#include "platform/linux/ini_settings_store.h"
#include "support/test_profile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString App = QStringLiteral("KorvaneSoftware");
const QString Section = QStringLiteral("Drapello");
const QString Missing = QStringLiteral("<missing>");

// Bytes this process has read through read(2) so far.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar: "))
            return line.mid(7).toLongLong();
    }
    return -1;
}

ino_t inodeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
} // namespace

class TstIniSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void readAsTyped_data();
    void readAsTyped();
    void roundTrip_data();
    void roundTrip();
    void storingKeepsTheRest_data();
    void storingKeepsTheRest();
    void unstorable_data();
    void unstorable();
    void largeFileIsReadOncePerChange();

private:
    QString get(const QString& key, const QString& section = Section)
    {
        return IniSettingsStore(folder()).getSetting(App, section, key, Missing);
    }
    QString folder() const { return dir_->filePath(QStringLiteral("config")); }
    QString file() const { return folder() + QStringLiteral("/KorvaneSoftware.ini"); }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TstIniSettingsStore::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(folder()));
}

void TstIniSettingsStore::readAsTyped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QByteArray head = "; my settings\n[Drapello]\n";
    QTest::newRow("semicolon") << head + "base=http://h/a;b/\n"
                               << "base"
                               << "http://h/a;b/";
    QTest::newRow("commas") << head + "list=a,b,c\n"
                            << "list"
                            << "a,b,c";
    QTest::newRow("backslashes") << head + "path=C:\\Program Files\\Korvane\\Tool\n"
                                 << "path"
                                 << "C:\\Program Files\\Korvane\\Tool";
    QTest::newRow("escape-like backslashes") << head + "path=C:\\temp\\new\\x41"
                                             << "path"
                                             << "C:\\temp\\new\\x41";
    QTest::newRow("blanks around") << head + "  base =  http://h/ x \t\n"
                                   << "base"
                                   << "http://h/ x";
    QTest::newRow("quotes inside") << head + "who=\"Bob\" and \"Ann\"\n"
                                   << "who"
                                   << "\"Bob\" and \"Ann\"";
    QTest::newRow("quoted") << head + "base=\"http://h/a;b/\"\n"
                            << "base"
                            << "http://h/a;b/";
    QTest::newRow("empty, not missing") << head + "language=\n"
                                        << "language"
                                        << "";
    QTest::newRow("CR LF, BOM, no last line end")
        << QByteArray("\xEF\xBB\xBF[Drapello]\r\nbase=http://h/\r\nupdatelist=0") << "updatelist"
        << "0";
    QTest::newRow("comment") << head + ";base=x\n#base=y\n"
                             << "base" << Missing;
    QTest::newRow("another section's key")
        << QByteArray("[Drapellox]\nbase=x\n[Other]\nbase=y\n") << "base" << Missing;
    QTest::newRow("the last one counts") << head + "base=a\n[Other]\nbase=z\n[ Drapello ]\nbase=b\n"
                                         << "base"
                                         << "b";
    QTest::newRow("after a long line")
        << head + "junk=" + QByteArray(200000, 'j') + "\nbase=http://h/\n"
        << "base"
        << "http://h/";
}

void TstIniSettingsStore::readAsTyped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, key);
    QFETCH(QString, value);
    writeFileBytes(file(), bytes);
    QCOMPARE(get(key), value);
    QCOMPARE(readFileBytes(file()), bytes); // reading writes nothing
}

void TstIniSettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("qsettingsWritesIt");
    int row = 0;
    for (const char* text :
         {"1", "My Skins.lng", "/home/ann/Drapello", "C:\\Program Files\\MSN", "\\\\server\\share",
          "http://h/a;b/", "a,b,c", "k=v", "say \"hi\"", "\"", " lead and trail ", "", "@x",
          "@Invalid()", "\xc2\xa0no-break\xc2\xa0",

          "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "back\\"})
        QTest::addRow("%d: %s", ++row, text) << QString::fromUtf8(text) << true;
    // QSettings writes control characters as escapes without quotes, which would make a typed
    // C:\temp\new unreadable, and drops a U+FEFF that starts a value it wrote; no value of this
    // program holds one, and ours are escapes in quotes.
    QTest::addRow("U+FEFF first") << QChar(0xFEFF) + QStringLiteral("x") << false;
    QTest::addRow("control characters") << QStringLiteral("line\nbreak\tand\x01"
                                                          "a\x7f")
                                        << false;
}

// QSettings reads what the store wrote, and the store reads what QSettings wrote.
void TstIniSettingsStore::roundTrip()
{
    QFETCH(QString, value);
    QFETCH(bool, qsettingsWritesIt);
    IniSettingsStore store(folder());
    QVERIFY(store.saveSetting(App, Section, QStringLiteral("ours"), value));
    QCOMPARE(store.getSetting(App, Section, QStringLiteral("ours"), Missing), value);
    QCOMPARE(get(QStringLiteral("ours")), value);
    const QByteArray before = readFileBytes(file());
    // Stored again as it reads: nothing is written.
    QVERIFY(store.saveSetting(App, Section, QStringLiteral("ours"), value));
    QCOMPARE(readFileBytes(file()), before);

    QSettings ini(file(), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Drapello/ours")).toString(), value);
    if (qsettingsWritesIt) {
        ini.setValue(QStringLiteral("Drapello/theirs"), value);
        ini.sync();
        QCOMPARE(get(QStringLiteral("theirs")), value);
    }
}

void TstIniSettingsStore::storingKeepsTheRest_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray other = "; Korvane's tools\r\n[Tool]\r\npath=C:\\Program Files\\Korvane\\Tool"
                             "\r\nlist=a,b,c\r\n\r\n";
    QTest::newRow("changed in place")
        << other + "[Drapello]\r\nbase = http://old/  \r\nupdatelist=1\r\n; end\r\n"
        << "base"
        << "http://h/a;b/"
        << other + "[Drapello]\r\nbase = \"http://h/a;b/\"\r\nupdatelist=1\r\n; end\r\n";
    QTest::newRow("new key after the last")
        << other + "[Drapello]\r\nbase=x\r\n; about the next\r\n[Next]\r\nk=v"
        << "path"
        << "/opt/d r"
        << other + "[Drapello]\r\nbase=x\r\npath=/opt/d r\r\n; about the next\r\n[Next]\r\nk=v";
    QTest::newRow("new section, no last line end")
        << other + "[Next]\r\nk=v"
        << "updatelist"
        << "0" << other + "[Next]\r\nk=v\r\n\r\n[Drapello]\r\nupdatelist=0\r\n";
    QTest::newRow("header is the last line") << QByteArray("[Drapello]") << "updatelist"
                                             << "0" << QByteArray("[Drapello]\nupdatelist=0\n");
    QTest::newRow("no file") << QByteArray() << "path"
                             << "C:\\x" << QByteArray("[Drapello]\npath=C:\\\\x\n");
}

void TstIniSettingsStore::storingKeepsTheRest()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        writeFileBytes(file(), before);
    IniSettingsStore store(folder());
    QVERIFY(store.saveSetting(App, Section, key, value));
    QCOMPARE(readFileBytes(file()), after);
    QCOMPARE(store.getSetting(App, Section, key, Missing), value);
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("KorvaneSoftware.ini")}); // no temporary file is left
}

void TstIniSettingsStore::unstorable_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("read-only file") << "read-only file";
    QTest::newRow("read-only folder") << "read-only folder";
    QTest::newRow("folder in its place") << "folder";
    QTest::newRow("FIFO in its place") << "fifo";
    QTest::newRow("name QSettings would change") << "name";
}

// Nothing is stored, nothing is changed, and a look-up never waits.
void TstIniSettingsStore::unstorable()
{
    QFETCH(QString, what);
    const QByteArray bytes = "[Drapello]\nbase=http://h/\n";
    writeFileBytes(file(), bytes);
    QString key = QStringLiteral("base");
    if (what.startsWith(QStringLiteral("read-only")) && geteuid() == 0)
        QSKIP("file permissions do not bind this user (root)");
    if (what == QStringLiteral("read-only file"))
        QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner));
    if (what == QStringLiteral("read-only folder"))
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
    if (what == QStringLiteral("folder"))
        QVERIFY(QFile::remove(file()) && QDir().mkpath(file()));
    if (what == QStringLiteral("fifo"))
        QVERIFY(QFile::remove(file()) &&
                ::mkfifo(QFile::encodeName(file()).constData(), 0600) == 0);
    if (what == QStringLiteral("name"))
        key = QStringLiteral("base url");

    IniSettingsStore store(folder());
    const QString before = store.getSetting(App, Section, key, Missing);
    QVERIFY(!store.saveSetting(App, Section, key, QStringLiteral("http://new/")));
    QCOMPARE(store.getSetting(App, Section, key, Missing), before);
    QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFileInfo(file()).isFile())
        QCOMPARE(readFileBytes(file()), bytes);
}

// A settings file of many megabytes is read at the first look-up and again only when it changes.
void TstIniSettingsStore::largeFileIsReadOncePerChange()
{
    QByteArray bytes = "[Other]\n";
    for (int i = 0; bytes.size() < 16 * 1024 * 1024; ++i)
        bytes += "key" + QByteArray::number(i) + "=some value of another program\n";
    bytes += "[Drapello]\nbase=http://h/\n";
    for (int i = 0; i < 1000; ++i) // more keys than are kept
        bytes += "k" + QByteArray::number(i) + "=v" + QByteArray::number(i) + '\n';
    bytes += "updatelist=0\n";
    writeFileBytes(file(), bytes);
    IniSettingsStore store(folder());

    const qint64 start = bytesRead();
    QCOMPARE(store.getSetting(App, Section, QStringLiteral("base"), Missing),
             QStringLiteral("http://h/"));
    QVERIFY(bytesRead() - start >= bytes.size());
    const qint64 afterFirst = bytesRead();
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(store.getSetting(App, Section, QStringLiteral("base"), Missing),
                 QStringLiteral("http://h/"));
        QCOMPARE(store.getSetting(App, Section, QStringLiteral("updatelist"), Missing),
                 QStringLiteral("0"));
        QCOMPARE(store.getSetting(App, Section, QStringLiteral("k999"), Missing),
                 QStringLiteral("v999"));
        QCOMPARE(store.getSetting(App, Section, QStringLiteral("nokey"), Missing), Missing);
    }
    // One more pass for each key beyond the kept ones, not one per look-up.
    QVERIFY2(bytesRead() - afterFirst < 4 * bytes.size(),
             qPrintable(QString::number(bytesRead() - afterFirst)));

    // A change made by hand is seen at the next look-up; a value stored keeps the rest.
    QFile edit(file());
    QVERIFY(edit.open(QIODevice::Append));
    edit.write("base=http://edited/\n");
    edit.close();
    QCOMPARE(store.getSetting(App, Section, QStringLiteral("base"), Missing),
             QStringLiteral("http://edited/"));
    const ino_t inode = inodeOf(file());
    QVERIFY(store.saveSetting(App, Section, QStringLiteral("updatelist"), QStringLiteral("1")));
    QVERIFY(inodeOf(file()) != inode); // replaced whole, never written in place
    QCOMPARE(readFileBytes(file()),
             QByteArray(bytes).replace("updatelist=0", "updatelist=1") + "base=http://edited/\n");
    const qint64 beforeLookups = bytesRead();
    QCOMPARE(store.getSetting(App, Section, QStringLiteral("updatelist"), Missing),
             QStringLiteral("1"));
    // What it wrote it knows, and the same value again is not written (/proc/self/io aside).
    QVERIFY(store.saveSetting(App, Section, QStringLiteral("updatelist"), QStringLiteral("1")));
    QVERIFY(bytesRead() - beforeLookups < 4096);
}

QTEST_GUILESS_MAIN(TstIniSettingsStore)
#include "tst_ini_settings_store.moc"
