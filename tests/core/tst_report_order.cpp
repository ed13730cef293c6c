// Everything the window is told, in the order it is told, for the commands a user runs: the
// status texts, the progress bar, the busy cursor, the preview, the install controls and the
// tree. report_order.txt holds the order the program has always shown; a change to how commands
// run must not change a line of it. DRAPELLO_RECORD_REPORT_ORDER=1 writes the file anew from the
// program as it stands (only ever on purpose, after checking the difference by hand).
#include "core/skin_controller.h"
#include "support/test_profile.h"

#include <QtTest>

namespace {
const QString Server = TestProfile::server();

QString referenceFile()
{
    return QStringLiteral(DRAPELLO_SOURCE_DIR "/tests/core/report_order.txt");
}

// One line per step ("load: busy 1 | progress 10 | ..."), "start" before the first.
QStringList perStep(const QStringList& lines)
{
    QStringList steps{"start:"};
    QString separator = " ";
    for (const QString& line : lines) {
        if (line.startsWith("> ") || line.startsWith("windows")) {
            steps << (line.startsWith("> ") ? line.mid(2) : "windows") + ':';
            separator = " ";
            if (line.size() <= 8 || line.startsWith("> "))
                continue;
        }
        steps.last() += separator + (line.startsWith("windows ") ? line.mid(8) : line);
        separator = " | ";
    }
    return steps;
}

// "[row]" lines open each row's section.
QHash<QString, QStringList> readReference()
{
    QHash<QString, QStringList> rows;
    QString row;
    const QString text = QString::fromUtf8(readFileBytes(referenceFile()));
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('[') && line.endsWith(']'))
            row = line.mid(1, line.size() - 2);
        else
            rows[row] << line;
    }
    return rows;
}

QHash<QString, QStringList> recorded;
} // namespace

class TestReportOrder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameOrderAsAlways_data();
    void sameOrderAsAlways();
    void cleanupTestCase();
};

void TestReportOrder::sameOrderAsAlways_data()
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
    QTest::newRow("preview failures") << "" << none
                                      << QStringList{"preview A/missing", "preview A/page",
                                                     "preview A/x", "preview A/page", "install"};
    QTest::newRow("picked file") << "" << none << QStringList{"pick", "install"};
    QTest::newRow("server's not found") << "" << QStringList{"notfound"} << QStringList{"load"};
}

void TestReportOrder::sameOrderAsAlways()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, cached);
    QFETCH(QStringList, steps);
    TestProfile profile;
    FakeWorld& world = profile.world;
    world.files = {{Server + "voruzide.txt", "A*B*C"},
                   {Server + "A.txt", "x*y*page*missing"},
                   {Server + "B.txt", "z"},
                   {Server + "A/x.gif", makeGif()},
                   {Server + "A/page.gif", "<html>"}};
    for (const QString& copy : cached)
        writeFileBytes(profile.cacheFolder() + '/' + (copy == "notfound" ? "voruzide.tmp" : copy),
                       copy == "notfound" ? "notfound" : "A*B");
    if (cached.contains("notfound"))
        world.files.insert(Server + "voruzide.txt", "notfound");
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
                skin.isEmpty() ? CatalogueNode{CatalogueNode::Kind::Category, ' ' + category, {}}
                               : CatalogueNode{CatalogueNode::Kind::Skin, skin, ' ' + category});
        QVERIFY(waitUntilIdle(controller));
    }
    log.lines << "windows " + world.actions.join(',');
    const QString row = QTest::currentDataTag();
    recorded.insert(row, perStep(log.lines));
    if (qEnvironmentVariableIsSet("DRAPELLO_RECORD_REPORT_ORDER"))
        return;
    const QStringList reference = readReference().value(row);
    QCOMPARE(perStep(log.lines).join('\n'), reference.join('\n'));
}

void TestReportOrder::cleanupTestCase()
{
    if (!qEnvironmentVariableIsSet("DRAPELLO_RECORD_REPORT_ORDER"))
        return;
    QStringList rows = recorded.keys();
    rows.sort();
    QByteArray text;
    for (const QString& row : rows)
        text += ('[' + row + "]\n" + recorded.value(row).join('\n') + '\n').toUtf8();
    writeFileBytes(referenceFile(), text);
}

QTEST_GUILESS_MAIN(TestReportOrder)
#include "tst_report_order.moc"
