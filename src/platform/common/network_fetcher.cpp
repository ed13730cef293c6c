#include "platform/common/network_fetcher.h"

#include "files/safe_file.h"
#include "platform/common/input_hold.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLibrary>
#include <QStringList>
#include <QUrl>

#define CURL_DISABLE_TYPECHECK
#include <algorithm>
#include <curl/curl.h>
#include <deque>
#include <exception>
#include <type_traits>

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

constexpr unsigned MinimumCurlVersion = 0x075500; // 7.85.0

// libcurl and the TLS and other libraries behind it take several MiB of resident memory once
// loaded. A start from the cache downloads nothing, so they are loaded at the first download.
struct CurlApi {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_multi_init) multi_init = nullptr;
    decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&curl_multi_perform) multi_perform = nullptr;
    decltype(&curl_multi_poll) multi_poll = nullptr;
    decltype(&curl_multi_timeout) multi_timeout = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_reset) easy_reset = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_version_info) version_info = nullptr;
    bool usable = false;
};

// Null members and usable false when libcurl cannot be loaded: every fetch then fails.
const CurlApi& curl()
{
    static const CurlApi api = [] {
        CurlApi c;
#ifdef Q_OS_WIN
        // Windows builds of curl ship the library under more than one name.
        QLibrary library;
        for (const char* name : {"libcurl-x64", "libcurl", "curl"}) {
            library.setFileName(QString::fromLatin1(name));
            if (library.load())
                break;
        }
#else
        QLibrary library(QStringLiteral("curl"), 4);
        library.load();
#endif
        if (!library.isLoaded()) {
            qWarning("Cannot load libcurl (libcurl.so.4, Debian package libcurl4): %s. "
                     "Nothing can be downloaded.",
                     qUtf8Printable(library.errorString()));
            return c;
        }
        bool all = true;
        auto bind = [&library, &all](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library.resolve(name));
            all = all && slot != nullptr;
        };
        bind(c.global_init, "curl_global_init");
        bind(c.multi_init, "curl_multi_init");
        bind(c.multi_cleanup, "curl_multi_cleanup");
        bind(c.multi_add_handle, "curl_multi_add_handle");
        bind(c.multi_remove_handle, "curl_multi_remove_handle");
        bind(c.multi_perform, "curl_multi_perform");
        bind(c.multi_poll, "curl_multi_poll");
        bind(c.multi_timeout, "curl_multi_timeout");
        bind(c.multi_info_read, "curl_multi_info_read");
        bind(c.easy_init, "curl_easy_init");
        bind(c.easy_cleanup, "curl_easy_cleanup");
        bind(c.easy_reset, "curl_easy_reset");
        bind(c.easy_setopt, "curl_easy_setopt");
        bind(c.easy_getinfo, "curl_easy_getinfo");
        bind(c.version_info, "curl_version_info");
        // CURLOPT_PROTOCOLS_STR, which keeps every transfer and redirect to http and https,
        // came with 7.85.0; an older library would ignore it.
        if (all) {
            const curl_version_info_data* version = c.version_info(CURLVERSION_NOW);
            if (!version || version->version_num < MinimumCurlVersion) {
                qWarning("libcurl %s (%s) is older than 7.85.0, which Drapello needs: nothing "
                         "can be downloaded.",
                         version && version->version ? version->version : "of unknown version",
                         qUtf8Printable(library.fileName()));
                return c;
            }
        }
        c.usable = all && c.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (!c.usable)
            qWarning("libcurl (%s) is too old or failed to start: nothing can be downloaded.",
                     qUtf8Printable(library.fileName()));
        return c;
    }();
    return api;
}

// Longest wait for the network before the window's events get their turn again.
constexpr int PollSliceMs = 10;
} // namespace

// The limits a transfer must keep, the same for every one.
struct FetchLimits {
    int answerTimeoutMs = 0;
    int idleTimeoutMs = 0;
    int totalTimeoutMs = 0;
    int rateWindowMs = 0;
    qint64 minBytesPerWindow = 0;
    qint64 maxBytes = 0;
};

// One URL on its way: into a file, or (fetched ahead) into memory until its turn.
struct FetchTransfer {
    QString url;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    bool attached = false;
    SafeFile* target = nullptr; // none: into body
    QByteArray body;
    qint64 maxBytes = 0;
    qint64 received = 0;
    bool failed = false;
    bool timedOut = false;
    bool done = false;
    bool ok = false;
    // A whole header block of an answer, or a body byte, has arrived.
    bool answered = false;
    // Until the headers of the final answer are complete: header lines trickling in one by one
    // do not count as progress.
    bool awaitingHeaders = true;
    int status = 0; // of the header block being read
    QElapsedTimer sinceStart;
    QElapsedTimer sinceActivity;
    // The current window of the minimum transfer rate, from the end of the final headers.
    QElapsedTimer sinceWindow;
    qint64 receivedAtWindow = 0;
    // Thrown by a callback: kept here, because it must not unwind through libcurl.
    std::exception_ptr error;

    FetchTransfer() = default;
    FetchTransfer(const FetchTransfer&) = delete;
    FetchTransfer& operator=(const FetchTransfer&) = delete;
    // However a wait ends, a throw from the window's events included, the handle leaves the
    // multi handle; an unfinished transfer's connection is closed, never reused.
    ~FetchTransfer()
    {
        detach();
        if (easy)
            curl().easy_cleanup(easy);
    }
    void detach()
    {
        if (attached)
            curl().multi_remove_handle(multi, easy);
        attached = false;
    }

    void answerBegins()
    {
        answered = true;
        awaitingHeaders = false;
        sinceWindow.start();
        receivedAtWindow = received;
    }

    void finish(CURLcode result)
    {
        long code = 0;
        curl().easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        detach();
        done = true;
        ok = !failed && !error && result == CURLE_OK && code >= 200 && code < 300;
    }

    // Silence counts towards the answer or idle time-out, every moment towards the total, and
    // once the body flows every window must bring its share of bytes.
    bool outOfTime(const FetchLimits& limits)
    {
        const int silenceMs = awaitingHeaders ? limits.answerTimeoutMs : limits.idleTimeoutMs;
        bool tooSlow = false;
        if (!awaitingHeaders && sinceWindow.elapsed() >= limits.rateWindowMs) {
            tooSlow = received - receivedAtWindow < limits.minBytesPerWindow;
            sinceWindow.start();
            receivedAtWindow = received;
        }
        return tooSlow || sinceActivity.elapsed() >= silenceMs ||
               sinceStart.elapsed() >= limits.totalTimeoutMs;
    }

    qint64 silenceLeftMs(const FetchLimits& limits) const
    {
        const int silenceMs = awaitingHeaders ? limits.answerTimeoutMs : limits.idleTimeoutMs;
        return silenceMs - sinceActivity.elapsed();
    }
};

namespace {
size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<FetchTransfer*>(user);
    const qint64 bytes = qint64(size * count);
    try {
        t->sinceActivity.restart();
        if (t->awaitingHeaders)
            t->answerBegins();
        t->received += bytes;
        if (t->received > t->maxBytes) {
            t->failed = true;
            return 0; // ends the transfer
        }
        if (t->target) {
            if (!t->target->write(data, bytes)) {
                t->failed = true;
                return 0;
            }
        } else {
            t->body.append(data, bytes);
        }
    } catch (...) {
        t->error = std::current_exception();
        return 0;
    }
    return size * count;
}

// A status line opens a header block and the blank line ends it. An informational (1xx) block
// is no answer; a redirect's block ends one hop, and the next hop's headers get a fresh wait.
size_t receiveHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<FetchTransfer*>(user);
    const QByteArray line = QByteArray::fromRawData(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/") && t->status == 0) {
        const qsizetype blank = line.indexOf(' ');
        t->status = blank < 0 ? 0 : line.mid(blank + 1, 3).toInt();
        t->status = std::max(t->status, 1); // a garbled status still opens the block
    } else if (line.isEmpty() && t->status != 0) {
        if (t->status >= 200) {
            t->answered = true;
            t->sinceActivity.restart();
            if (t->status < 300 || t->status >= 400)
                t->answerBegins();
        }
        t->status = 0;
    }
    return size * count;
}
} // namespace

struct NetworkFetcher::Session {
    CURLM* multi = nullptr;
    // Set while a fetch waits: something run from the wait's events cannot start a second one.
    bool busy = false;
    // Since the window's events last had their turn, across fetches: a run of quick fetches
    // repaints at the pace of a slow one instead of once per file.
    QElapsedTimer sinceEvents;
    // Fetched ahead, in the order they were announced: started (running or held) ...
    std::deque<std::unique_ptr<FetchTransfer>> ahead;
    // ... and not started yet.
    std::deque<QString> waiting;
    // The transfer a fetch waits for: it holds a connection too.
    const FetchTransfer* awaited = nullptr;

    qsizetype connections() const
    {
        const auto running =
            std::count_if(ahead.begin(), ahead.end(), [](const auto& t) { return !t->done; });
        return running + (awaited && !awaited->done ? 1 : 0);
    }

    Session()
    {
        if (curl().usable)
            multi = curl().multi_init();
    }
    ~Session()
    {
        ahead.clear(); // before the multi handle they are attached to
        if (multi)
            curl().multi_cleanup(multi);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

NetworkFetcher::NetworkFetcher(int idleTimeoutMs, qint64 maxBytes, int totalTimeoutMs,
                               int rateWindowMs, qint64 minBytesPerWindow)
    : idleTimeoutMs_(idleTimeoutMs), maxBytes_(maxBytes), totalTimeoutMs_(totalTimeoutMs),
      rateWindowMs_(rateWindowMs), minBytesPerWindow_(minBytesPerWindow)
{
}

void NetworkFetcher::beginRun()
{
    inRun_ = true;
    serverDead_ = false;
}

void NetworkFetcher::endRun()
{
    // What was fetched ahead and not asked for stays unwritten.
    dropAhead();
    inRun_ = false;
    serverDead_ = false;
}

NetworkFetcher::~NetworkFetcher() = default;

NetworkFetcher::Session& NetworkFetcher::session()
{
    if (!session_)
        session_ = std::make_unique<Session>();
    return *session_;
}

FetchLimits NetworkFetcher::limits() const
{
    FetchLimits limits;
    limits.answerTimeoutMs = std::min(ConnectTimeoutMs, idleTimeoutMs_);
    limits.idleTimeoutMs = idleTimeoutMs_;
    limits.totalTimeoutMs = totalTimeoutMs_;
    limits.rateWindowMs = rateWindowMs_;
    limits.minBytesPerWindow = minBytesPerWindow_;
    limits.maxBytes = maxBytes_;
    return limits;
}

std::unique_ptr<FetchTransfer> NetworkFetcher::start(const QString& url, SafeFile* target)
{
    const QUrl parsed = parsedUrl(url);
    const CurlApi& api = curl();
    Session& s = session();
    if (parsed.isEmpty() || !s.multi)
        return nullptr;
    auto t = std::make_unique<FetchTransfer>();
    t->url = url;
    t->multi = s.multi;
    t->easy = api.easy_init();
    if (!t->easy)
        return nullptr;
    t->target = target;
    t->maxBytes = maxBytes_;
    const QByteArray encoded = parsed.toEncoded();
    const bool secure = parsed.scheme().toLower() == QLatin1String("https");

    CURL* easy = t->easy;
    api.easy_setopt(easy, CURLOPT_URL, encoded.constData());
    api.easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Never less safe than where we started: no hop from https down to http.
    api.easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    api.easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    api.easy_setopt(easy, CURLOPT_MAXREDIRS, long(MaxRedirects));
    api.easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes_));
    api.easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(limits().answerTimeoutMs));
    api.easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(easy, CURLOPT_USERAGENT, "Drapello/1.2");
    // A trust store of the user's own, under the name OpenSSL and the curl tool read it.
    const QByteArray authorities = qgetenv("SSL_CERT_FILE");
    if (secure && !authorities.isEmpty())
        api.easy_setopt(easy, CURLOPT_CAINFO, authorities.constData());
    // Where the server offers HTTP/2 (over TLS), the files ahead share one connection. Plain
    // http stays on HTTP/1.1, where waiting for a busy connection would only queue them.
    if (secure)
        api.easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
    api.easy_setopt(easy, CURLOPT_WRITEFUNCTION, receiveBody);
    api.easy_setopt(easy, CURLOPT_WRITEDATA, t.get());
    api.easy_setopt(easy, CURLOPT_HEADERFUNCTION, receiveHeader);
    // A proxy's answer to CONNECT is not the server's answer.
    api.easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    api.easy_setopt(easy, CURLOPT_HEADERDATA, t.get());
    api.easy_setopt(easy, CURLOPT_PRIVATE, t.get());
    if (api.multi_add_handle(s.multi, easy) != CURLM_OK)
        return nullptr;
    t->attached = true;
    t->sinceStart.start();
    t->sinceActivity.start();
    return t;
}

void NetworkFetcher::startWaitingAhead()
{
    Session& s = session();
    while (!s.waiting.empty() && s.ahead.size() < MaxHeldAhead && s.connections() < MaxParallel) {
        std::unique_ptr<FetchTransfer> t = start(s.waiting.front(), nullptr);
        s.waiting.pop_front();
        if (t)
            s.ahead.push_back(std::move(t));
    }
}

void NetworkFetcher::dropAhead()
{
    if (!session_)
        return;
    session_->ahead.clear();
    session_->waiting.clear();
}

// Called from the window's events inside a wait: the fetch being waited for is not among those
// ahead, and ends as the wait sees the flag.
void NetworkFetcher::cancel()
{
    cancelled_ = true;
    dropAhead();
}

void NetworkFetcher::fetchAhead(const QStringList& urls)
{
    if (!inRun_ || serverDead_ || cancelled_ || !curl().usable)
        return;
    Session& s = session();
    for (const QString& url : urls)
        s.waiting.push_back(url);
    startWaitingAhead();
}

// The network in slices, the window's events (repaints, timers, a close request, but no input)
// at most every slice in between, until `current` has ended. The files ahead go on meanwhile.
void NetworkFetcher::wait(FetchTransfer& current)
{
    const CurlApi& api = curl();
    Session& s = session();
    const FetchLimits limits = this->limits();
    const InputHold noInput;
    struct Awaited {
        Session& s;
        ~Awaited() { s.awaited = nullptr; }
    } const awaited{s};
    s.awaited = &current;
    while (!current.done) {
        int running = 0;
        if (api.multi_perform(s.multi, &running) != CURLM_OK) {
            current.failed = true;
            current.finish(CURLE_OK);
            break;
        }
        int queued = 0;
        while (CURLMsg* message = api.multi_info_read(s.multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            char* data = nullptr;
            api.easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &data);
            auto* t = reinterpret_cast<FetchTransfer*>(data);
            if (!t->done)
                t->finish(message->data.result);
        }
        if (current.error)
            std::rethrow_exception(current.error);
        // Every transfer keeps its own time-outs, those ahead too.
        qint64 waitMs = PollSliceMs;
        auto watch = [&](FetchTransfer& t) {
            if (t.done)
                return;
            if (t.failed || t.outOfTime(limits)) {
                t.timedOut = !t.failed;
                t.failed = true;
                t.finish(CURLE_OK);
                return;
            }
            waitMs = std::min(waitMs, std::max<qint64>(0, t.silenceLeftMs(limits)));
        };
        watch(current);
        for (const auto& t : s.ahead)
            watch(*t);
        if (current.done)
            break;
        startWaitingAhead();
        if (!s.sinceEvents.isValid() || s.sinceEvents.elapsed() >= PollSliceMs) {
            s.sinceEvents.start();
            QCoreApplication::processEvents();
            // A close request among those events.
            if (cancelled_) {
                current.failed = true;
                current.finish(CURLE_OK);
                break;
            }
        }
        // No longer than curl itself asks for: some steps are driven by its timers, not its
        // sockets.
        long wanted = -1;
        api.multi_timeout(s.multi, &wanted);
        if (wanted >= 0)
            waitMs = std::min<qint64>(waitMs, wanted);
        if (waitMs > 0)
            api.multi_poll(s.multi, nullptr, 0, int(waitMs), nullptr);
    }
}

bool NetworkFetcher::fetch(const QString& url, const QString& targetPath)
{
    const QUrl parsed = parsedUrl(url);
    if (parsed.isEmpty() || targetPath.isEmpty() || serverDead_ || cancelled_)
        return false;
    Session& s = session();
    if (!s.multi || s.busy)
        return false;
    struct Busy {
        Session& s;
        explicit Busy(Session& session) : s(session) { s.busy = true; }
        ~Busy() { s.busy = false; }
    } const busy(s);

    SafeFile target(targetPath, SafeFile::Durability::Unflushed);
    if (!target.open())
        return false;

    // Its turn has come: a copy fetched ahead is taken, one not started yet starts now.
    std::unique_ptr<FetchTransfer> t;
    const auto found = std::find_if(s.ahead.begin(), s.ahead.end(),
                                    [&url](const auto& held) { return held->url == url; });
    if (found != s.ahead.end()) {
        t = std::move(*found);
        s.ahead.erase(found);
    } else {
        const auto later = std::find(s.waiting.begin(), s.waiting.end(), url);
        if (later != s.waiting.end())
            s.waiting.erase(later);
        // This one needs a connection now: the latest started ahead gives way and starts again
        // in its turn.
        while (s.connections() >= MaxParallel) {
            const auto last = std::find_if(s.ahead.rbegin(), s.ahead.rend(),
                                           [](const auto& held) { return !held->done; });
            s.waiting.push_front((*last)->url);
            s.ahead.erase(std::next(last).base());
        }
        t = start(url, &target);
        if (!t)
            return false;
    }
    wait(*t);

    bool ok = t->ok && (t->target || target.write(t->body));
    if (!t->ok) {
        // `target` drops its temporary file: the old target stays as it was.
        // Not reached, no answer, or too slow: asking again for each file would only make the
        // user wait again.
        if (inRun_ && !cancelled_ && (!t->answered || t->timedOut)) {
            serverDead_ = true;
            dropAhead();
            qWarning("No answer from %s: the other files of this run are not asked for.",
                     qUtf8Printable(parsed.host()));
        }
        return false;
    }
    t.reset();
    if (ok && !target.commit())
        ok = false;
    if (!ok)
        qWarning("Cannot write %s: %s", qUtf8Printable(targetPath),
                 target.failure() == SafeFile::Failure::DiskFull ? "the disk is full"
                                                                 : "write error");
    return ok;
}
