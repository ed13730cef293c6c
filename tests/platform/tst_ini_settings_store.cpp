// The Linux settings file: read as typed, readable both ways with QSettings, and storing a value
// leaves every byte but that value's line as it was.
#include "platform/linux/ini_settings_store.h"
#include "support/test_profile.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString App = "KorvaneSoftware";
const QString Section = "Drapello";
const QString Missing = "<missing>";
} // namespace

class TstIniSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(folder()));
    }
    void readAsTyped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const auto row = [](const char* name, const QByteArray& bytes, const char* key,
                            const QString& value) {
            QTest::newRow(name) << bytes << QString(key) << value;
        };
        const QByteArray head = "; my settings\n[Drapello]\n";
        row("semicolon", head + "base=http://h/a;b/\n", "base", "http://h/a;b/");
        row("blanks around", head + "  base =  http://h/ x \t\n", "base", "http://h/ x");
        row("CR LF, BOM, no last line end",
            "\xEF\xBB\xBF[Drapello]\r\nbase=http://h/\r\nupdatelist=0", "updatelist", "0");
        row("another section's key", "[Drapellox]\nbase=x\n[Other]\nbase=y\n", "base", Missing);
        row("the last one counts",
            head + "base=a\n;base=c\n[Other]\nbase=z\n[ Drapello ]\nbase=b\n", "base", "b");
    }
    void readAsTyped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, key);
        QFETCH(QString, value);
        writeFileBytes(file(), bytes);
        QCOMPARE(get(key), value);
        QCOMPARE(readFileBytes(file()), bytes); // reading writes nothing
    }
    void storingKeepsTheRest_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after"); // null: not compared
        const auto row = [](const char* name, const QByteArray& before, const char* key,
                            const char* value, const QByteArray& after) {
            QTest::newRow(name) << before << QString(key) << QString::fromUtf8(value) << after;
        };
        for (const char* text :
             {"C:\\Program Files\\MSN", "http://h/a;b/", "a,b,c", "say \"hi\"", " lead", "trail ",
              "", "@Invalid()", "caf\xc3\xa9 \xe2\x82\xac", "back\\", "line\nbreak\tand\x01"})
            row(text, QByteArray(), "ours", text, QByteArray());
        const QByteArray other =
            "; tools\r\n[Tool]\r\npath=C:\\Program Files\\Korvane\\Tool\r\nlist=a,b,c\r\n\r\n";
        row("changed in place",
            other + "[Drapello]\r\nbase = http://old/  \r\nupdatelist=1\r\n; end\r\n[Next]\r\nk=v",
            "base", "http://h/a;b/",
            other +
                "[Drapello]\r\nbase = \"http://h/a;b/\"\r\nupdatelist=1\r\n; end\r\n[Next]\r\nk=v");
        row("new section, no last line end", other + "[Next]\r\nk=v", "updatelist", "0",
            other + "[Next]\r\nk=v\r\n\r\n[Drapello]\r\nupdatelist=0\r\n");
        row("no file", QByteArray(), "path", "C:\\x", "[Drapello]\npath=C:\\\\x\n");
    }
    void storingKeepsTheRest()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            writeFileBytes(file(), before);
        IniSettingsStore store(folder());
        QVERIFY(store.saveSetting(App, Section, key, value));
        if (!after.isNull())
            QCOMPARE(readFileBytes(file()), after);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"KorvaneSoftware.ini"}); // no temporary file is left
        // Read back by the store and by QSettings; storing it again writes nothing.
        QCOMPARE(get(key), value);
        QCOMPARE(QSettings(file(), QSettings::IniFormat).value(Section + u'/' + key).toString(),
                 value);
        const QByteArray stored = readFileBytes(file());
        QVERIFY(store.saveSetting(App, Section, key, value));
        QCOMPARE(readFileBytes(file()), stored);
    }

private:
    QString get(const QString& key)
    {
        return IniSettingsStore(folder()).getSetting(App, Section, key, Missing);
    }
    QString folder() const { return dir_->filePath("config"); }
    QString file() const { return folder() + "/KorvaneSoftware.ini"; }

    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TstIniSettingsStore)
#include "tst_ini_settings_store.moc"
