#pragma once

#include "core/services/services.h"
#include "core/skin_controller.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The outside world of one test: downloads (URL -> bytes; others fail; stalled ones end only
// when cancelled) and the registry from tables; message boxes ("title: text") and file dialogs
// ("file dialog: filter"), questions ("question: title: text", answered from `answers`, no when
// it is empty), windows closed and sites opened are recorded.
struct FakeWorld {
    QHash<QString, QByteArray> files;
    QSet<QString> stalled;
    QHash<QString, QString> registry;
    QStringList asked, ahead, messages, actions, nextFiles;
    QList<bool> answers;
};

// A value in an INI settings file as the program keeps them ("<missing>" when it is not there),
// or one stored there as by another program.
inline QString iniSetting(const QString& file, const QString& key)
{
    return QSettings(file, QSettings::IniFormat)
        .value(QStringLiteral("Drapello/") + key, QStringLiteral("<missing>"))
        .toString();
}
inline void setIniSetting(const QString& file, const QString& key, const QString& value)
{
    QSettings(file, QSettings::IniFormat).setValue(QStringLiteral("Drapello/") + key, value);
}

// A profile of one's own: program folder (with Cache), a real INI settings file, a Messenger
// folder the registry names, and services over a FakeWorld.
class TestProfile {
public:
    TestProfile();
    QString path(const QString& relative) const { return dir_.filePath(relative); }
    QString programFolder() const { return path(QStringLiteral("program")); }
    QString cacheFolder() const { return path(QStringLiteral("program/Cache")); }
    QString messengerFolder() const { return path(QStringLiteral("MSN Messenger")); }
    QString backupsFolder() const { return path(QStringLiteral("data/backups")); }
    QString settingsFile() const { return path(QStringLiteral("config/KorvaneSoftware.ini")); }
    QString setting(const QString& key) const { return iniSetting(settingsFile(), key); }
    void setSetting(const QString& key, const QString& value)
    {
        setIniSetting(settingsFile(), key, value);
    }
    // The skin server: the one a fresh profile names.
    static QString server() { return QStringLiteral("http://www.korvane.nl/korvane/base/"); }

    FakeWorld world;
    Services services;

private:
    QTemporaryDir dir_;
};

// What a controller and its catalogue report, one line each in the order it came ("status
// <text>", "progress <n>", "busy <0|1>", "preview <w>x<h>" (0x0: none), "install <0|1>", "root
// VOR Uzide", "category A", "skins x,y"), and the tree it described.
class ReportLog {
public:
    explicit ReportLog(SkinController& controller);
    QStringList lines;
    QString status;
    int nodes() const
    {
        int count = root_.isNull() ? 0 : 1;
        for (const auto& category : categories_)
            count += 1 + int(category.second.size());
        return count;
    }
    QString shape() const // " VOR Uzide( A(x,y), B)": the root, its categories, their skins
    {
        QStringList parts;
        for (const auto& [category, skins] : categories_)
            parts << (skins.isEmpty() ? category : category + u'(' + skins.join(u',') + u')');
        return parts.isEmpty() ? root_ : root_ + u'(' + parts.join(u',') + u')';
    }

private:
    QString root_;
    QList<QPair<QString, QStringList>> categories_;
};

// A controller on a profile of its own, started as the program starts it, its reports logged.
struct ControllerRun {
    explicit ControllerRun(const QString& commandLine = QString())
    {
        controller.language().loadDefault();
        controller.start(commandLine);
    }
    TestProfile profile;
    SkinController controller{profile.services};
    ReportLog log{controller};
};

// Lets the event loop run until the controller's task has ended; false after a bounded wait.
inline bool waitUntilIdle(const SkinController& controller)
{
    return QTest::qWaitFor([&] { return controller.task() == SkinController::Task::None; }, 10000);
}

// Whole-file helpers: reading gives "<unreadable>" when the file cannot be read; writing
// creates the folders and stops the test run when the bytes cannot be written.
QByteArray readFileBytes(const QString& path);
QString writeFileBytes(const QString& path, const QByteArray& bytes);
// Every file in a folder, hidden ones included, whose name fits filter, with its bytes.
QMap<QString, QByteArray> fileBytesIn(const QString& folder,
                                      const QString& filter = QStringLiteral("*"));

// A language file of the lines "L1", "L2"... but for those given; returns its path.
QString languageFile(const QString& path, int lines, const QHash<int, QByteArray>& given = {});
// Bytes of small real pictures, made by Qt at run time.
QByteArray makePicture(const char* format, int width = 20, int height = 10,
                       Qt::GlobalColor colour = Qt::red);
// An 8 x 8 GIF of one frame, or an animation of several (built by hand: Qt writes no GIF), on
// a canvas of canvas x canvas pixels, each frame shown for delay hundredths of a second.
QByteArray makeGif(int frames = 1, int canvas = 8, int delay = 10);

// A named pipe at path, as a hostile or broken setup may put where a file is expected; false
// where folders hold none (Windows).
bool makeFifo(const QString& path);
