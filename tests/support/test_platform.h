#pragma once

#include "platform/platform.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

class IniSettingsStore;
class QAction;

// What a test saw of the message boxes it answered.
struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

// Message boxes are recorded instead of shown; the open-file dialog gives the queued answers
// (empty text, as after Cancel, when the queue is empty).
class RecordingDialogs : public DialogService {
public:
    void message(QWidget*, const QString& text, const QString& title, MessageIcon icon) override;
    QString openFile(QWidget*, const QString& filter) override;

    std::vector<ShownMessage> messages;
    QStringList filtersAsked;
    QStringList nextFiles;
};

// Records what would have gone to the browser.
class RecordingShell : public ShellService {
public:
    bool open(QWidget*, const QString& target) override;
    QStringList opened;
    bool answer = true;
    bool throws = false;
};

// Records every window class asked for; finds the classes listed in `present` once each.
class RecordingWindows : public WindowService {
public:
    bool closeWindowOfClass(const QString& windowClass) override;
    QStringList asked;
    QStringList present;
    QStringList closed;
    std::function<void()> onClose; // runs inside each close, e.g. to throw
};

// A profile of one's own for one test: a program folder and a settings folder in a temporary
// directory, real settings in an INI file there, and recording fakes for what would block.
class TestProfile {
public:
    TestProfile();

    // A Platform wired to this profile. The raw pointers below stay valid as long as the
    // Platform they came from lives.
    Platform makePlatform();

    QString root() const { return dir_.path(); }
    QString programFolder() const { return dir_.path() + QStringLiteral("/program"); }
    QString configFolder() const { return dir_.path() + QStringLiteral("/config"); }
    QString settingsFile() const;
    QString cacheFolder() const { return programFolder() + QStringLiteral("/Cache"); }
    QString dataFolder() const { return dir_.path() + QStringLiteral("/data"); }

    // Reads or writes the settings file directly, as another program would.
    QString setting(const QString& key, const QString& missing = QStringLiteral("<missing>")) const;
    void setSetting(const QString& key, const QString& value) const;

    // Writes a file (creating folders), returns its path.
    QString writeFile(const QString& relativePath, const QByteArray& bytes) const;

    RecordingDialogs* dialogs = nullptr;
    RecordingShell* shell = nullptr;
    RecordingWindows* windows = nullptr;

private:
    QTemporaryDir dir_;
};

// Whole-file helpers for tests: reading gives "<unreadable>" when the file cannot be read;
// writing creates the folders and stops the test run when the bytes cannot be written.
QByteArray readFileBytes(const QString& path);
QString writeFileBytes(const QString& path, const QByteArray& bytes);

// Exactly one message box was shown, with this text, title and icon.
bool shownOnce(const RecordingDialogs& dialogs, const QString& text, const QString& title,
               MessageIcon icon);

// Triggers `action`, which opens a modal window; `inside` runs with that window (or null) once
// its loop runs and must close it. A bounded fallback closes it anyway, so a failing check
// never leaves the test waiting.
void whileModal(QAction* action, const std::function<void(QWidget*)>& inside);

// Bytes of small real pictures, made by Qt at run time.
QByteArray makePicture(const char* format, int width = 20, int height = 10,
                       Qt::GlobalColor colour = Qt::red);
// An 8 x 8 GIF of one frame, or an animation of several (built by hand: Qt writes no GIF), on
// a canvas of canvas x canvas pixels, each frame shown for delay hundredths of a second.
QByteArray makeGif(int frames = 1, int canvas = 8, int delay = 10);
