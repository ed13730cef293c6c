#pragma once

#include <QString>
#include <QStringList>

class RegistryReader;

// Messenger's installation folders, as the registry names them.
class MessengerFolders {
public:
    // The file Messenger shows as the background of its contact list.
    static constexpr const char* BackgroundName = "lvback.gif";

    explicit MessengerFolders(RegistryReader& registry) : registry_(registry) {}

    // The registry values naming them, in the order every lookup tries them.
    static QStringList valuePaths();
    // The folder a value names, without its last trailing separator (exactly one: a value
    // ending in two keeps one). Empty text when the value is missing or empty.
    QString folderOf(const QString& valuePath) const;
    // The named folders that exist, in lookup order. Doing nothing and calling it a success
    // would leave the user wondering, so finding none is AppError 76.
    QStringList existing() const;

private:
    RegistryReader& registry_;
};
