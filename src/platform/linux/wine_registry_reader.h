#pragma once

#include "core/services/registry_reader.h"

#include <QStringList>
#include <functional>

// Messenger runs under Wine on Linux, so its machine-wide values live in the Wine prefix's
// system.reg. Values are read from the file afresh on every call (Wine rewrites it while it
// runs) and a Windows path is given back as the local path it stands for.
class WineRegistryReader : public RegistryReader {
public:
    // storedPrefix gives the user's "wineprefix" setting, or empty text when there is none.
    // With a home folder, a chosen prefix that holds no Messenger gives way to the first prefix
    // of a Wine front-end below that home that does (see frontEndPrefixes).
    explicit WineRegistryReader(std::function<QString()> storedPrefix, QString home = QString());

    // "HKLM\Software\...\ValueName" (or HKEY_LOCAL_MACHINE\...). In a win64 prefix a 32-bit
    // program's key under Software\Wow6432Node is tried first, then the plain key.
    QString readValue(const QString& valuePath) override;
    QString whereSearched() const override;

    // The prefix values are read from, and Messenger's windows closed in.
    QString messengerPrefix() const;
    // The prefixes the Wine front-ends make below home, in the order they are searched:
    // winetricks, PlayOnLinux, Bottles, Bottles as a Flatpak, Lutris; each folder's by name.
    static QStringList frontEndPrefixes(const QString& home);
    // The value in that prefix, as a local path; empty text when there is none.
    static QString readValueIn(const QString& prefix, const QString& valuePath);

private:
    std::function<QString()> storedPrefix_;
    QString home_;
    mutable QString logged_;
};
