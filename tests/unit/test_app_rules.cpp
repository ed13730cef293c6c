// Plain rules of the application shell: command line, stored numbers, the keyed tree,
// Windows-1252 text, and the Linux single-instance backend.
#include "app/app_error.h"
#include "app/command_line.h"
#include "app/keyed_tree.h"
#include "app/startup_rules.h"
#include "app/windows1252.h"
#include "platform/linux/lock_file_instance.h"
#include "platform/platform.h"
#include "support/test_platform.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The lock test points TMPDIR into a folder that is gone once the test has run.
const QByteArray StartTmpDir = qgetenv("TMPDIR");
} // namespace

class TestAppRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void commandLine_data();
    void commandLine();
    void integer16_data();
    void integer16();
    void keyedTree();
    void keyedTreeLeaves_data();
    void keyedTreeLeaves();
    void windows1252RoundTrip();
    void singleInstance_data();
    void singleInstance();
    void singleInstanceHeldByAnotherProcess();
};

void TestAppRules::cleanup()
{
    if (StartTmpDir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", StartTmpDir);
}

void TestAppRules::commandLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("loadCache");
    QTest::addColumn<QString>("path");

    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("quoted, blanks inside") << QStringLiteral("\"/tmp/my skins/a b.gif\"") << false
                                           << QStringLiteral("/tmp/my skins/a b.gif");
    // The shell has already removed quotes: the path must arrive whole.
    QTest::newRow("unquoted, blanks inside")
        << QStringLiteral("/home/an/my skins/rode auto.gif") << false
        << QStringLiteral("/home/an/my skins/rode auto.gif");
    QTest::newRow("only a leading quote")
        << QStringLiteral("\"/tmp/a.gif") << false << QStringLiteral("\"/tmp/a.gif");
    QTest::newRow("one quote") << QStringLiteral("\"") << false << QStringLiteral("\"");
    QTest::newRow("one character") << QStringLiteral("x") << false << QStringLiteral("x");
    QTest::newRow("capitals, inside a word")
        << QStringLiteral("--NOLoadCachePLEASE") << true << QString();
    QTest::newRow("with a picture")
        << QStringLiteral("\"/tmp/x.gif\" loadcache") << true << QString();
}

void TestAppRules::commandLine()
{
    QFETCH(QString, text);
    QFETCH(bool, loadCache);
    QFETCH(QString, path);
    const CommandLine parsed = parseCommandLine(text);
    QCOMPARE(parsed.loadCache, loadCache);
    QCOMPARE(parsed.path, path);
}

void TestAppRules::integer16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("error");

    QTest::newRow("blanks") << QStringLiteral(" 7 ") << 7 << 0;
    QTest::newRow("negative") << QStringLiteral("-3") << -3 << 0;
    QTest::newRow("half to even down") << QStringLiteral("0.5") << 0 << 0;
    QTest::newRow("half to even up") << QStringLiteral("1.5") << 2 << 0;
    QTest::newRow("largest") << QStringLiteral("32767") << 32767 << 0;
    QTest::newRow("too large") << QStringLiteral("32768") << 0 << 6;
    QTest::newRow("too small") << QStringLiteral("-32769") << 0 << 6;
    QTest::newRow("letters") << QStringLiteral("x") << 0 << 13;
    QTest::newRow("infinite") << QStringLiteral("inf") << 0 << 13;
}

void TestAppRules::integer16()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(int, error);
    try {
        const qint16 got = toInteger16(text);
        QCOMPARE(error, 0);
        QCOMPARE(int(got), value);
    } catch (const AppError& e) {
        QCOMPARE(e.number(), error);
    }
}

void TestAppRules::keyedTree()
{
    KeyedTree tree;
    tree.addNode(QString(), QStringLiteral("voruzide"), QStringLiteral(" VOR Uzide"));
    tree.addNode(QStringLiteral("voruzide"), QStringLiteral("A1"), QStringLiteral(" A"));
    tree.addNode(QStringLiteral("A1"), QStringLiteral("x"), QStringLiteral("x"));
    tree.addNode(QStringLiteral("A1"), QStringLiteral("y"), QStringLiteral("y"));
    // Nodes without a key never collide.
    tree.addNode(QStringLiteral("A1"), QString(), QString());
    tree.addNode(QStringLiteral("A1"), QString(), QString());

    QCOMPARE(tree.nodeCount(), 6);
    QCOMPARE(tree.node(1)->text(0), QStringLiteral(" VOR Uzide"));
    QTreeWidgetItem* category = tree.find(QStringLiteral("A1"));
    QCOMPARE(category->childCount(), 4);
    QCOMPARE(category->child(1)->text(0), QStringLiteral("y")); // added as last child
    QCOMPARE(KeyedTree::keyOf(category->child(0)), QStringLiteral("x"));

    try {
        tree.addNode(QStringLiteral("A1"), QStringLiteral("x"), QStringLiteral("again"));
        QFAIL("a duplicate key was accepted");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), 35602);
        QCOMPARE(e.description(), QStringLiteral("Key is not unique in collection"));
    }
    // Keys are unique across the whole tree, not per parent.
    QVERIFY_THROWS_EXCEPTION(AppError, tree.addNode(QString(), QStringLiteral("y"), QString()));
    QVERIFY_THROWS_EXCEPTION(AppError,
                             tree.addNode(QStringLiteral("nope"), QStringLiteral("z"), QString()));
    QCOMPARE(tree.nodeCount(), 6);

    tree.clearNodes();
    QCOMPARE(tree.topLevelItemCount(), 0);
    tree.addNode(QString(), QStringLiteral("voruzide"), QStringLiteral(" VOR Uzide")); // key free
    QCOMPARE(tree.nodeCount(), 1);
    // The key is the key, whether or not it equals the text.
    QCOMPARE(
        KeyedTree::keyOf(tree.addNode(QStringLiteral("voruzide"), QString(), QStringLiteral("t"))),
        QString());
    QCOMPARE(
        KeyedTree::keyOf(tree.addNode(QStringLiteral("voruzide"), QStringLiteral("t"), QString())),
        QStringLiteral("t"));
    QCOMPARE(KeyedTree::keyOf(tree.addNode(QStringLiteral("voruzide"), QStringLiteral("u"),
                                           QStringLiteral("u"))),
             QStringLiteral("u"));
}

void TestAppRules::keyedTreeLeaves_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("added"); // the children of C afterwards, joined by '|'
    QTest::addColumn<bool>("fails");
    auto names = [](const char* commaSeparated) {
        return QString::fromLatin1(commaSeparated).split(QLatin1Char(','));
    };
    QTest::newRow("all fit") << names("p,q,r") << "p|q|r" << false;
    QTest::newRow("no names") << QStringList() << "" << false;
    QTest::newRow("empty names never collide") << names(",p,") << "|p|" << false;
    QTest::newRow("twice in the list") << names("p,q,p,r") << "p|q" << true;
    QTest::newRow("already in the tree") << names("p,x,r") << "p" << true;
    QTest::newRow("the root's key") << names("voruzide") << "" << true;
}

// The batch adds exactly what one addNode per name would have added, up to the failure.
void TestAppRules::keyedTreeLeaves()
{
    QFETCH(QStringList, names);
    QFETCH(QString, added);
    QFETCH(bool, fails);
    KeyedTree tree;
    tree.addNode(QString(), QStringLiteral("voruzide"), QStringLiteral(" VOR Uzide"));
    tree.addNode(QStringLiteral("voruzide"), QStringLiteral("D1"), QStringLiteral(" D"));
    tree.addNode(QStringLiteral("D1"), QStringLiteral("x"), QStringLiteral("x"));
    tree.addNode(QStringLiteral("voruzide"), QStringLiteral("C1"), QStringLiteral(" C"));
    QTreeWidgetItem* category = tree.find(QStringLiteral("C1"));
    bool threw = false;
    try {
        tree.addLeaves(QStringLiteral("C1"), names);
    } catch (const AppError& e) {
        threw = true;
        QCOMPARE(e.number(), 35602);
    }
    QCOMPARE(threw, fails);
    QStringList children;
    for (int i = 0; i < category->childCount(); ++i) {
        children << category->child(i)->text(0);
        QCOMPARE(KeyedTree::keyOf(category->child(i)), category->child(i)->text(0));
        if (!children.last().isEmpty())
            QCOMPARE(tree.find(children.last()), category->child(i));
    }
    QCOMPARE(children.join(QLatin1Char('|')), added);
    // Counted in the order added, after the four nodes before.
    QCOMPARE(tree.nodeCount(), 4 + int(children.size()));
    if (!children.isEmpty())
        QCOMPARE(tree.node(tree.nodeCount()), category->child(category->childCount() - 1));
    QVERIFY_THROWS_EXCEPTION(AppError,
                             tree.addLeaves(QStringLiteral("nope"), {QStringLiteral("z")}));
}

void TestAppRules::windows1252RoundTrip()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromWindows1252(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.at(0x80), QChar(0x20AC)); // euro sign
    QCOMPARE(text.at(0xE9), QChar(0xE9));   // é
    QCOMPARE(text.at(0x93), QChar(0x201C));
    QCOMPARE(toWindows1252(text), all);
    QVERIFY(isWindows1252(QStringLiteral("caf\u00e9 \u20ac")));
    QVERIFY(!isWindows1252(QStringLiteral("\u4e2d")));
    QCOMPARE(toWindows1252(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
}

void TestAppRules::singleInstance_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("folder"); // where the lock lives, below the test's root
    QTest::addColumn<bool>("locks");     // false: no lock to be had, every start goes ahead
    const QString tmp = QStringLiteral("tmp/drapello-") + QString::number(::getuid());
    QTest::newRow("own runtime folder, lock left by a dead copy") << "stale"
                                                                  << "run" << true;
    QTest::newRow("no runtime folder") << "unset" << tmp << true;
    QTest::newRow("runtime folder open to all") << "open" << tmp << true;
    QTest::newRow("temporary folders of another user, locked") << "foreign"
                                                               << "cache/drapello" << true;
    QTest::newRow("lock is a link to the user's file") << "link"
                                                       << "run" << false;
    QTest::newRow("lock is a FIFO") << "fifo"
                                    << "run" << false;
}

// The one-copy lock lives only in a folder of the user's own, and is never opened through a link
// or waited on: nothing another user made can hold it, and no start overwrites a file through it.
void TestAppRules::singleInstance()
{
    QFETCH(QString, setup);
    QFETCH(QString, folder);
    QFETCH(bool, locks);
    QTemporaryDir dir;
    const QString root = dir.path();
    const QString run = root + QStringLiteral("/run");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/tmp")) && QDir().mkdir(run));
    QCOMPARE(::chmod(QFile::encodeName(run).constData(), 0700), 0);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
    qputenv("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run));
    const QString lock = run + QStringLiteral("/drapello.lock");
    const QString victim = writeFileBytes(root + QStringLiteral("/victim"), "precious");
    QProcess holder;
    if (setup == QLatin1String("stale")) {
        writeFileBytes(lock, "999999\n");
    } else if (setup == QLatin1String("unset") || setup == QLatin1String("foreign")) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else if (setup == QLatin1String("open")) {
        QCOMPARE(::chmod(QFile::encodeName(run).constData(), 0777), 0);
    } else if (setup == QLatin1String("link")) {
        QVERIFY(QFile::link(victim, lock));
    } else if (setup == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
    }
    if (setup == QLatin1String("foreign")) {
        // Another user took every name in the shared folder first, and holds a lock in each.
        const QString tmp = root + QStringLiteral("/tmp/");
        for (const QString& name : {QStringLiteral("drapello-") + QString::number(::getuid()),
                                    QStringLiteral("runtime-") +
                                        QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name)}) {
            QVERIFY(QDir().mkdir(tmp + name));
            writeFileBytes(tmp + name + QStringLiteral("/drapello.lock"), "other\n");
            if (::chown(QFile::encodeName(tmp + name).constData(), 65534, 65534) != 0)
                QSKIP("giving a folder to another user needs root");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
            QSKIP("util-linux flock is not installed");
        holder.start(QStringLiteral("flock"),
                     {tmp + QStringLiteral("drapello.lock"), QStringLiteral("-c"),
                      QStringLiteral("echo held; exec sleep 30")});
        QVERIFY(holder.waitForReadyRead(10000));
    }
    const auto others = [&root] {
        QMap<QString, QByteArray> files;
        QDirIterator it(root + QStringLiteral("/tmp"), QDir::Files | QDir::System | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, readFileBytes(path));
        }
        return files;
    };
    const auto before = others();

    Platform first = Platform::system();
    QCOMPARE(QFileInfo(first.instanceChannel).path(), root + QLatin1Char('/') + folder);
    QVERIFY(first.instance->acquire());
    QVERIFY(first.instance->acquire()); // asking again is harmless
    Platform second = Platform::system();
    QCOMPARE(second.instance->acquire(), !locks);
    first.instance.reset(); // the holder ends
    QVERIFY(second.instance->acquire());
    QCOMPARE(readFileBytes(victim), QByteArray("precious"));
    if (setup != QLatin1String("unset") && setup != QLatin1String("open"))
        QCOMPARE(others(), before);
    holder.kill();
    holder.waitForFinished();
}

void TestAppRules::singleInstanceHeldByAnotherProcess()
{
    if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
        QSKIP("util-linux flock is not installed");
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("drapello.lock"));
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {QStringLiteral("-o"), lock, QStringLiteral("sleep"), QStringLiteral("30")});
    QVERIFY(holder.waitForStarted());
    // Wait (bounded) until the other process holds it.
    bool held = false;
    for (int i = 0; i < 100 && !held; ++i) {
        LockFileInstance probe(lock);
        held = !probe.acquire();
        if (!held)
            QTest::qWait(20);
    }
    QVERIFY2(held, "the other process never took the lock");
    // However long it has been held, a live holder is never overruled.
    QFile::setPermissions(lock, QFile::ReadOwner | QFile::WriteOwner);
    LockFileInstance mine(lock);
    QVERIFY(!mine.acquire());

    holder.kill();
    holder.waitForFinished();
    // The kernel drops the dead holder's lock as its files are closed.
    QTRY_VERIFY_WITH_TIMEOUT(mine.acquire(), 5000);
}

QTEST_MAIN(TestAppRules)
#include "test_app_rules.moc"
