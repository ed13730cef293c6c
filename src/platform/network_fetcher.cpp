#include "platform/network_fetcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>

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

// Longest wait for the network before the window's events get their turn again.
constexpr int PollSliceMs = 10;

struct Transfer {
    QSaveFile* target = nullptr;
    qint64 maxBytes = 0;
    qint64 received = 0;
    bool failed = false;
    QElapsedTimer sinceActivity;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const qint64 bytes = qint64(size * count);
    t->sinceActivity.restart();
    t->received += bytes;
    if (t->received > t->maxBytes || t->target->write(data, bytes) != bytes) {
        t->failed = true;
        return 0; // ends the transfer
    }
    return size * count;
}

// Header lines of every hop count as activity, as body bytes do.
size_t receiveHeader(char*, size_t size, size_t count, void* user)
{
    static_cast<Transfer*>(user)->sinceActivity.restart();
    return size * count;
}
} // namespace

struct NetworkFetcher::Session {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;

    Session()
    {
        static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (initialised) {
            multi = curl_multi_init();
            easy = curl_easy_init();
        }
    }
    ~Session()
    {
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

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

NetworkFetcher::Session& NetworkFetcher::session()
{
    if (!session_)
        session_ = std::make_unique<Session>();
    return *session_;
}

bool NetworkFetcher::fetch(const QString& url, const QString& targetPath)
{
    const QUrl parsed = parsedUrl(url);
    if (parsed.isEmpty() || targetPath.isEmpty())
        return false;
    Session& s = session();
    if (!s.multi || !s.easy)
        return false;

    QSaveFile target(targetPath);
    if (!target.open(QIODevice::WriteOnly))
        return false;

    Transfer t;
    t.target = &target;
    t.maxBytes = maxBytes_;
    const QByteArray encoded = parsed.toEncoded();
    const bool secure = parsed.scheme().toLower() == QLatin1String("https");

    CURL* easy = s.easy;
    curl_easy_reset(easy); // options only; the connection stays open
    curl_easy_setopt(easy, CURLOPT_URL, encoded.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Never less safe than where we started: no hop from https down to http.
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, long(MaxRedirects));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes_));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(idleTimeoutMs_));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Drapello/1.2");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, receiveBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, receiveHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
    if (curl_multi_add_handle(s.multi, easy) != CURLM_OK)
        return false;

    // The wait: the network in slices, the window's events (repaints, timers, but no input) in
    // between. Only silence counts towards the idle time-out.
    t.sinceActivity.start();
    int running = 1;
    for (;;) {
        if (curl_multi_perform(s.multi, &running) != CURLM_OK)
            t.failed = true;
        if (running == 0 || t.failed)
            break;
        if (t.sinceActivity.elapsed() >= idleTimeoutMs_) {
            t.failed = true;
            break;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        // No longer than curl itself asks for: some steps are driven by its timers, not its sockets.
        long wanted = -1;
        curl_multi_timeout(s.multi, &wanted);
        qint64 wait = std::clamp<qint64>(idleTimeoutMs_ - t.sinceActivity.elapsed(), 0, PollSliceMs);
        if (wanted >= 0)
            wait = std::min<qint64>(wait, wanted);
        if (wait > 0)
            curl_multi_poll(s.multi, nullptr, 0, int(wait), nullptr);
    }

    CURLcode result = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(s.multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
            result = message->data.result;
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    // An unfinished transfer's connection is closed here, never reused.
    curl_multi_remove_handle(s.multi, easy);

    const bool ok = !t.failed && running == 0 && result == CURLE_OK && status >= 200 && status < 300;
    if (!ok) {
        target.cancelWriting(); // the temporary file goes, the old target stays as it was
        return false;
    }
    return target.commit();
}
