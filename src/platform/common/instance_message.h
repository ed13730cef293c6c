#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What a later start hands the running copy: the folder it was started in and its argument
// text, so that a picture it names is found where that start would have found it. A knock that
// brings nothing (from an older copy, or an argument too long to send) only raises the window.
struct InstanceMessage {
    // Far above any path a system allows, yet little enough to hold at once.
    static constexpr qsizetype MaxBytes = 64 * 1024;
    // A later start says all it has at once; a connection still open after this is dropped.
    static constexpr int ReadBoundMs = 2000;
    // Connections read at the same time; more are closed unread.
    static constexpr int MaxCallers = 8;

    QString folder;
    QString arguments;

    // Empty when the message would be longer than MaxBytes.
    QByteArray encoded() const;
    // Nothing when the bytes are no message of this version.
    static std::optional<InstanceMessage> decoded(const QByteArray& bytes);
};
