#include "core/catalogue/server_list.h"

#include "core/settings.h"

#include <QUrl>

bool ServerList::isServerUrl(const QString& url)
{
    for (const QChar c : url) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !parsed.host().isEmpty() && parsed.path().endsWith(QLatin1Char('/')) &&
           !parsed.hasQuery() && !parsed.hasFragment() && url.endsWith(QLatin1Char('/'));
}

QString ServerList::builtInServer()
{
    return QString::fromUtf8(Settings::BaseUrl.defaultValue);
}

QString ServerList::inUse() const
{
    return settings_.baseUrl();
}

QStringList ServerList::servers() const
{
    QStringList servers{builtInServer()};
    // Blanks separate them: no server address holds one.
    const QStringList stored =
        settings_.value(Settings::Servers).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& url : stored) {
        if (isServerUrl(url) && !servers.contains(url))
            servers << url;
    }
    const QString base = inUse();
    if (!servers.contains(base))
        servers << base;
    return servers;
}

bool ServerList::isFixed(const QString& url) const
{
    return url == builtInServer() || url == inUse();
}

void ServerList::add(const QString& url)
{
    QStringList list = servers();
    if (list.contains(url))
        return;
    list << url;
    store(list);
}

void ServerList::replace(const QString& listed, const QString& url)
{
    QStringList list = servers();
    const qsizetype at = list.indexOf(listed);
    if (at < 0 || isFixed(listed))
        return;
    if (list.contains(url))
        list.removeAt(at);
    else
        list[at] = url;
    store(list);
}

void ServerList::remove(const QString& url)
{
    QStringList list = servers();
    if (isFixed(url) || list.removeAll(url) == 0)
        return;
    store(list);
}

void ServerList::store(const QStringList& servers)
{
    // The built-in one is no choice of the user's; the one in use only while it is valid.
    QStringList kept;
    for (const QString& url : servers) {
        if (url != builtInServer() && isServerUrl(url))
            kept << url;
    }
    settings_.store(Settings::Servers, kept.join(QLatin1Char(' ')));
}
