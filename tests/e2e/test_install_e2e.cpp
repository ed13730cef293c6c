#include "support/test_platform.h"
#include "support/wine_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000))
        tool.kill();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}
} // namespace

// The real program under X: a picture given on the command line, Ctrl+I, and the picture is
// Messenger's background in the Wine prefix.
class TestInstallE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandLinePictureWithCtrlI();
};

void TestInstallE2e::commandLinePictureWithCtrlI()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool");

    WinePrefixFixture wine;
    const QString folder = wine.makeFolder(QStringLiteral("Program Files (x86)/MSN Messenger"));
    const QString lvback = folder + QStringLiteral("/lvback.gif");
    {
        QFile old(lvback);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old background");
    }
    wine.writeSystemReg(systemReg(
        "win64",
        messengerKeys({}, QStringLiteral("C:\\Program Files (x86)\\MSN Messenger\\"), true)));

    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config")));
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("run")));
    {
        // Straight to the main window, and never towards the default server.
        QFile ini(home.path() + QStringLiteral("/config/KorvaneSoftware.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Drapello]\nalgedaan=1\nbase=http://127.0.0.1:9/korvane/base/\n");
    }
    QFile::setPermissions(home.path() + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray picture = makeGif(3);
    const QString picturePath = home.path() + QStringLiteral("/my skin.gif");
    {
        QFile file(picturePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(picture);
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), wine.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/run"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(DRAPELLO_BINARY), {QLatin1Char('"') + picturePath + QLatin1Char('"')});
    QVERIFY(app.waitForStarted());
    auto stop = qScopeGuard([&] {
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
        app.waitForFinished(5000);
    });

    const QStringList search = {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--pid"), QString::number(app.processId())};
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = xdotool(search).section(QLatin1Char('\n'), 0, 0)).isEmpty(),
                             20000);
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+i")});

    QTRY_COMPARE_WITH_TIMEOUT(readAll(lvback), picture, 20000);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("lvback.gif")});
}

QTEST_GUILESS_MAIN(TestInstallE2e)
#include "test_install_e2e.moc"
