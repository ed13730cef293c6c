#pragma once

#include <QString>

class RegistryReader;
class WindowService;

// Puts a picture in place as Messenger's background in every Messenger folder, or removes it,
// keeping what it replaces; then asks Messenger's windows to close so that Messenger shows the
// change when it comes back. Failures rise as AppError.
class MessengerInstaller {
public:
    // backupsFolder: where copies of replaced backgrounds go; empty when there is none.
    MessengerInstaller(RegistryReader& registry, WindowService& windows, QString backupsFolder);

    // false, and nothing done, when pictureFile is no ordinary file. Throws AppError 481 when
    // it is no picture (nothing written then), 76 when no Messenger folder exists.
    bool install(const QString& pictureFile);
    // Removes the background (in any capitals) from every Messenger folder.
    void remove();
    // Asks Messenger's windows to close, one window class after the other.
    void closeMessenger();

private:
    RegistryReader& registry_;
    WindowService& windows_;
    QString backupsFolder_;
};
