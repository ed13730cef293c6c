#include "platform/network_fetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

namespace {
QUrl parsedUrl(const QString& url)
{
    QString text = url;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QUrl parsed(text, QUrl::TolerantMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return parsed;
}
} // namespace

NetworkFetcher::NetworkFetcher(int idleTimeoutMs, qint64 maxBytes)
    : idleTimeoutMs_(idleTimeoutMs), maxBytes_(maxBytes)
{
}

NetworkFetcher::~NetworkFetcher() = default;

QString NetworkFetcher::requestUrl(const QString& url)
{
    const QUrl parsed = parsedUrl(url);
    return parsed.isEmpty() ? QString() : QString::fromLatin1(parsed.toEncoded());
}

QNetworkAccessManager& NetworkFetcher::manager()
{
    // Made at the first fetch, on the thread that runs the event loop; kept so that connections
    // to the server are reused across the many small list files.
    if (!manager_) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        manager_ = std::make_unique<QNetworkAccessManager>();
        manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return *manager_;
}

bool NetworkFetcher::fetch(const QString& url, const QString& targetPath)
{
    const QUrl parsed = parsedUrl(url);
    if (parsed.isEmpty() || targetPath.isEmpty())
        return false;

    QSaveFile target(targetPath);
    if (!target.open(QIODevice::WriteOnly))
        return false;

    QNetworkRequest request(parsed);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = manager().get(request);

    bool failed = false;
    qint64 received = 0;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(idleTimeoutMs_);

    auto fail = [&] {
        if (!failed) {
            failed = true;
            reply->abort(); // emits finished, which ends the loop
        }
    };
    QObject::connect(&idle, &QTimer::timeout, &loop, fail);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBytes_)
            fail();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        idle.start();
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > maxBytes_ || target.write(chunk) != chunk.size())
            fail();
    });
    // Redirect hops and header bytes move too; only silence counts as idle.
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&] { idle.start(); });
    int redirects = 0;
    QObject::connect(reply, &QNetworkReply::redirected, &loop, [&] {
        idle.start();
        if (++redirects > MaxRedirects)
            fail();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    idle.start();
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    idle.stop();

    if (!failed && reply->bytesAvailable() > 0) {
        const QByteArray rest = reply->readAll();
        received += rest.size();
        if (received > maxBytes_ || target.write(rest) != rest.size())
            failed = true;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok =
        !failed && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    delete reply;

    if (!ok) {
        target.cancelWriting(); // the temporary file goes, the old target stays as it was
        return false;
    }
    return target.commit();
}
