#pragma once

#include <QString>

#include <array>

// The 26 texts a language file can replace: the nine status messages (lines 2 to 10) and the
// captions of the main window and two dialogs. Lines are counted from 1, as in a language file.
class LanguageTable {
public:
    static constexpr int EntryCount = 26;

    const QString& entry(int line) const;
    void setEntry(int line, const QString& text);

    // The built-in Dutch text of a line.
    static QString defaultText(int line);

    const QString& MsgSkinInstalled() const { return entry(2); }
    const QString& MsgBackgroundRemoved() const { return entry(3); }
    const QString& MsgErrorPrefix() const { return entry(4); }
    const QString& MsgListDownloaded() const { return entry(5); }
    const QString& MsgListMissing() const { return entry(6); }
    const QString& MsgPreparing() const { return entry(7); }
    const QString& MsgLoaded() const { return entry(8); }
    const QString& MsgDownloadFailed() const { return entry(9); }
    const QString& MsgSkinDownloaded() const { return entry(10); }

    // Line numbers of the message slots, for code that sets them one by one.
    enum Slot {
        SkinInstalled = 2,
        BackgroundRemoved = 3,
        ErrorPrefix = 4,
        ListDownloaded = 5,
        ListMissing = 6,
        Preparing = 7,
        Loaded = 8,
        DownloadFailed = 9,
        SkinDownloaded = 10,
    };

private:
    // The message slots stay empty until a language is loaded; caption entries are only read
    // when a language file is applied.
    std::array<QString, EntryCount> entries_;
};
