// Files the program reads from places others can write: one that is not a regular file (a FIFO
// here, which blocks a plain open() until someone writes) is treated as unreadable at once.
#include "core/app_error.h"
#include "core/catalogue/cache_folder.h"
#include "core/language/language_file.h"
#include "platform/linux/wine_prefix.h"
#include "platform/linux/wine_registry_reader.h"
#include "platform/linux/wine_server.h"
#include "support/test_profile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

class TestLocalFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fifoNeverBlocks_data();
    void fifoNeverBlocks();
};

void TestLocalFiles::fifoNeverBlocks_data()
{
    QTest::addColumn<QString>("fifo"); // relative to the test's folder; "<server>" is filled in
    QTest::addColumn<QString>("reader");
    QTest::newRow("system.reg, for a value")
        << QStringLiteral("prefix/system.reg") << QStringLiteral("registry");
    QTest::newRow("system.reg, for the arch")
        << QStringLiteral("prefix/system.reg") << QStringLiteral("arch");
    QTest::newRow("prefix/wineserver")
        << QStringLiteral("prefix/wineserver") << QStringLiteral("server");
    QTest::newRow("the Wine server's lock")
        << QStringLiteral("tmp/wine-fifo/<server>/lock") << QStringLiteral("server");
    QTest::newRow("language file") << QStringLiteral("english.lng") << QStringLiteral("language");
    QTest::newRow("list copy") << QStringLiteral("Cache/voruzide.tmp") << QStringLiteral("list");
}

void TestLocalFiles::fifoNeverBlocks()
{
    QFETCH(QString, fifo);
    QFETCH(QString, reader);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The server's folders are looked for under $TMPDIR (and /tmp).
    qputenv("TMPDIR", QFile::encodeName(dir.path() + QStringLiteral("/tmp")));
    const QString prefix = dir.path() + QStringLiteral("/prefix");
    QVERIFY(QDir().mkpath(prefix));
    if (!fifo.endsWith(QStringLiteral("wineserver")))
        writeFileBytes(prefix + QStringLiteral("/wineserver"), "wine-fifo");
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(prefix).constData(), &info), 0);
    fifo.replace(QStringLiteral("<server>"),
                 QStringLiteral("server-%1-%2")
                     .arg(QString::number(info.st_dev, 16), QString::number(info.st_ino, 16)));
    const QString path = dir.path() + QLatin1Char('/') + fifo;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    // Private folders, as Wine makes them, so that only the FIFO stands in the way.
    for (QString folder = QFileInfo(path).path(); folder.size() > dir.path().size();
         folder = QFileInfo(folder).path())
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

    auto read = [&]() -> QString {
        if (reader == QLatin1String("registry"))
            return WineRegistryReader([prefix] { return prefix; })
                .readValue(QStringLiteral("HKLM\\Software\\Microsoft\\MSNMessenger\\"
                                          "InstallationDirectory"));
        if (reader == QLatin1String("arch"))
            return wineArchOf(prefix) == WineArch::Unknown ? QString() : QStringLiteral("arch");
        if (reader == QLatin1String("server"))
            return wineServerRunning(prefix) ? QStringLiteral("running") : QString();
        if (reader == QLatin1String("language"))
            return readLanguageFile(path).lines.join(QLatin1Char('|'));
        try {
            return CacheFolder::readList(path);
        } catch (const AppError& error) {
            return error.number() == 75 ? QString() : QString::number(error.number());
        }
    };
    auto answer = std::async(std::launch::async, read);
    const bool returned = answer.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!returned) {
        // Free the reader: a writer that comes and goes ends its wait.
        const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    const QString result = answer.get();
    QVERIFY2(returned, "waited on a FIFO");
    QCOMPARE(result, QString());
}

QTEST_GUILESS_MAIN(TestLocalFiles)
#include "tst_local_files.moc"
