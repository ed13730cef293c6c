#pragma once

#include <QString>
#include <QStringList>

class RegistryReader;

// Where Messenger keeps its installation folders, in the order every lookup tries them.
QStringList messengerValuePaths();

// The file Messenger shows as the background of its contact list.
inline constexpr const char* lvbackName = "lvback.gif";

// The value as text; empty text whatever goes wrong.
QString ReadRegValue(RegistryReader& registry, const QString& valuePath);

// The folder a Messenger value names, without its last trailing separator (exactly one: a value
// ending in two keeps one). Empty text when the value is missing or empty.
QString GetMessengerFolder(RegistryReader& registry, const QString& valuePath);
