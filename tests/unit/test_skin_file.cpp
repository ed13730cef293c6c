#include "app/app_error.h"
#include "install/skin_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The error number a call throws, or 0.
template <class Call> int errorOf(Call&& call)
{
    try {
        call();
    } catch (const AppError& error) {
        return error.number();
    }
    return 0;
}
} // namespace

class TestSkinFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void copies_data();
    void copies();
    void copyOntoItself();
    void failedCopyKeepsTheTarget_data();
    void failedCopyKeepsTheTarget();
    void writeProtected();
    void deletes();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path(const QString& name) const { return dir_->path() + QLatin1Char('/') + name; }
};

void TestSkinFile::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
}

void TestSkinFile::copies_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("before"); // null: no target yet

    QByteArray large(300 * 1024, '\0');
    for (int i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 + i / 251);
    QTest::newRow("new target") << QByteArray("GIF89a\x01\x00", 8) << QByteArray();
    QTest::newRow("longer target is cut to the source")
        << QByteArray("short") << QByteArray(5000, 'x');
    QTest::newRow("shorter target grows") << large << QByteArray("old");
    QTest::newRow("empty source") << QByteArray("") << QByteArray("old");
}

void TestSkinFile::copies()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, before);
    write(path(QStringLiteral("skin.gif")), source);
    if (!before.isNull())
        write(path(QStringLiteral("lvback.gif")), before);

    copySkinFile(path(QStringLiteral("skin.gif")), path(QStringLiteral("lvback.gif")));

    QCOMPARE(readAll(path(QStringLiteral("lvback.gif"))), source);
    QCOMPARE(readAll(path(QStringLiteral("skin.gif"))), source);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files),
             QStringList({QStringLiteral("lvback.gif"), QStringLiteral("skin.gif")}));
    QVERIFY(QFile::permissions(path(QStringLiteral("lvback.gif"))) & QFile::ReadOther);
}

void TestSkinFile::copyOntoItself()
{
    // Picking the installed background itself must not empty it.
    write(path(QStringLiteral("lvback.gif")), "picture bytes");
    copySkinFile(path(QStringLiteral("lvback.gif")), path(QStringLiteral("lvback.gif")));
    QCOMPARE(readAll(path(QStringLiteral("lvback.gif"))), QByteArray("picture bytes"));
}

void TestSkinFile::failedCopyKeepsTheTarget_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("number");

    // /proc/self/mem opens as a regular file and fails at the first read: a copy that breaks
    // off after it has begun.
    QTest::newRow("source fails while read") << "/proc/self/mem"
                                             << "lvback.gif" << 75;
    QTest::newRow("missing source") << "<dir>/gone.gif"
                                    << "lvback.gif" << 53;
    QTest::newRow("target is a folder") << "<dir>/skin.gif"
                                        << "folder" << 75;
    QTest::newRow("target folder missing") << "<dir>/skin.gif"
                                           << "missing/lvback.gif" << 76;
}

void TestSkinFile::failedCopyKeepsTheTarget()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(int, number);
    write(path(QStringLiteral("skin.gif")), "new picture");
    write(path(QStringLiteral("lvback.gif")), "old picture");
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("folder")));
    const QStringList before =
        QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    source.replace(QStringLiteral("<dir>"), dir_->path());
    QCOMPARE(errorOf([&] { copySkinFile(source, path(target)); }), number);

    QCOMPARE(readAll(path(QStringLiteral("lvback.gif"))), QByteArray("old picture"));
    QVERIFY(QFileInfo(path(QStringLiteral("folder"))).isDir());
    // No half-written temporary file is left behind either.
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void TestSkinFile::writeProtected()
{
    write(path(QStringLiteral("skin.gif")), "new picture");
    write(path(QStringLiteral("lvback.gif")), "old picture");
    QFile::setPermissions(path(QStringLiteral("lvback.gif")), QFile::ReadOwner);
    if (QFileInfo(path(QStringLiteral("lvback.gif"))).isWritable())
        QSKIP("file permissions do not bind this user (root)");

    QCOMPARE(errorOf([&] {
                 copySkinFile(path(QStringLiteral("skin.gif")), path(QStringLiteral("lvback.gif")));
             }),
             70);
    QCOMPARE(errorOf([&] { deleteSkinFile(path(QStringLiteral("lvback.gif"))); }), 70);
    QCOMPARE(readAll(path(QStringLiteral("lvback.gif"))), QByteArray("old picture"));
}

void TestSkinFile::deletes()
{
    write(path(QStringLiteral("lvback.gif")), "old picture");
    deleteSkinFile(path(QStringLiteral("lvback.gif")));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("lvback.gif"))));
    QCOMPARE(errorOf([&] { deleteSkinFile(path(QStringLiteral("lvback.gif"))); }), 53);
}

QTEST_GUILESS_MAIN(TestSkinFile)
#include "test_skin_file.moc"
