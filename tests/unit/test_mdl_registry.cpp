#include "install/mdl_registry.h"
#include "platform/registry_reader.h"

#include <QHash>
#include <QtTest>

namespace {
// Answers from a table; a path marked "<throw>" fails the way a broken backend might.
class TableRegistry : public RegistryReader {
public:
    QString readValue(const QString& valuePath) override
    {
        asked << valuePath;
        const QString value = values.value(valuePath);
        if (value == QLatin1String("<throw>"))
            throw std::runtime_error("registry gone");
        return value;
    }
    QHash<QString, QString> values;
    QStringList asked;
};
} // namespace

class TestMdlRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messengerFolder_data();
    void messengerFolder();
};

void TestMdlRegistry::messengerFolder_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("folder");

    QTest::newRow("windows path with backslash") << "C:\\Program Files\\MSN Messenger\\"
                                                 << "C:\\Program Files\\MSN Messenger";
    QTest::newRow("windows path without") << "C:\\Messenger"
                                          << "C:\\Messenger";
    QTest::newRow("two backslashes keep one") << "C:\\Messenger\\\\"
                                              << "C:\\Messenger\\";
    QTest::newRow("local path with separator") << "/wine/drive_c/Messenger/"
                                               << "/wine/drive_c/Messenger";
    QTest::newRow("two separators keep one") << "/wine/drive_c/Messenger//"
                                             << "/wine/drive_c/Messenger/";
    QTest::newRow("missing value") << ""
                                   << "";
    QTest::newRow("failing backend") << "<throw>"
                                     << "";
}

void TestMdlRegistry::messengerFolder()
{
    QFETCH(QString, value);
    QFETCH(QString, folder);
    TableRegistry registry;
    const QString path = messengerValuePaths().constFirst();
    registry.values.insert(path, value);
    QCOMPARE(GetMessengerFolder(registry, path), folder);
    QCOMPARE(registry.asked, QStringList{path});
}

QTEST_GUILESS_MAIN(TestMdlRegistry)
#include "test_mdl_registry.moc"
