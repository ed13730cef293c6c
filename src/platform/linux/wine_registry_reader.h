#pragma once

#include "core/services/registry_reader.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

// Messenger runs under Wine on Linux, so its machine-wide values live in the Wine prefix's
// system.reg. Wine rewrites that file while it runs, so a file is read again whenever it has
// changed since it was last read, and never twice as it stands; of each file only Messenger's
// values are read. A Windows path is given back as the local path it stands for.
class WineRegistryReader : public RegistryReader {
public:
    // storedPrefix gives the user's "wineprefix" setting, or empty text when there is none.
    // With a home folder, a chosen prefix that holds no Messenger gives way to a prefix of a
    // Wine front-end below that home that does: the one found before while it still holds
    // Messenger, else the first (see frontEndPrefixes).
    explicit WineRegistryReader(std::function<QString()> storedPrefix, QString home = QString());
    // A search still running ends at once.
    ~WineRegistryReader() override;
    WineRegistryReader(const WineRegistryReader&) = delete;
    WineRegistryReader& operator=(const WineRegistryReader&) = delete;

    // One of Messenger's values (MessengerFolders::valuePaths, either hive name); empty text for
    // any other. In a win64 prefix a 32-bit program's key under Software\Wow6432Node is tried
    // first, then the plain key.
    QString readValue(const QString& valuePath) override;
    QString whereSearched() const override;

    // The prefix values are read from, and Messenger's windows closed in.
    QString messengerPrefix() const;
    // The prefixes the Wine front-ends make below home, in the order they are searched:
    // winetricks, PlayOnLinux, Bottles, Bottles as a Flatpak, Lutris; each folder's by name.
    // At most MaxFrontEndPrefixes; `all` receives how many there are.
    static QStringList frontEndPrefixes(const QString& home, qsizetype* all = nullptr);
    static constexpr qsizetype MaxFrontEndPrefixes = 256;

    // Looks for Messenger's prefix on a thread of its own, so that the first command finds the
    // answer ready instead of searching while the window waits. A command that comes first
    // waits for it; destroying the reader ends it.
    void searchAhead();

private:
    // What a prefix's system.reg held when it was last read, and how to tell it has changed.
    struct Prefix {
        QByteArray identity;
        QList<QString> values; // Windows paths, in valueNames() order; null when missing
        QDeadlineTimer trusted;
    };
    Prefix prefixValues(const QString& prefix) const;
    bool holdsMessenger(const QString& prefix) const;
    QString search(const QString& chosen) const;
    void joinSearch() const;

    std::function<QString()> storedPrefix_;
    QString home_;
    mutable QHash<QString, Prefix> prefixes_;
    mutable QString found_;
    mutable QString logged_;
    // While it runs, the search ahead owns the members above: every call waits for it first.
    mutable std::thread ahead_;
    std::atomic_bool stop_{false};
};
