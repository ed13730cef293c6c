#pragma once

#include <QString>
#include <QStringList>

class Settings;

// The skin servers the user keeps: the built-in one always first, then those stored, then the
// one in use when it is neither (an older version, or a hand-edited settings file, knows no
// list). Read from the settings when asked, stored the moment they change. The server in use
// is only ever changed by choosing one.
class ServerList {
public:
    explicit ServerList(Settings& settings) : settings_(settings) {}

    // http or https, a host, a path ending in "/", no query or fragment (list names are
    // appended to it), no blank or control character.
    static bool isServerUrl(const QString& url);
    static QString builtInServer();

    QStringList servers() const;
    QString inUse() const;
    // The built-in server and the one in use stay in the list as they are.
    bool isFixed(const QString& url) const;
    // Each stores the list; AppError 75 when it cannot. A server already listed is not added
    // again; a fixed one is not replaced or removed.
    void add(const QString& url);
    void replace(const QString& listed, const QString& url);
    void remove(const QString& url);

private:
    void store(const QStringList& servers);

    Settings& settings_;
};
