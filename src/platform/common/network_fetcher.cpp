#include "platform/common/network_fetcher.h"

#include "files/safe_file.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#define CURL_DISABLE_TYPECHECK
#include <algorithm>
#include <climits>
#include <curl/curl.h>
#include <deque>
#include <map>
#include <type_traits>
#include <utility>
#include <vector>

namespace {
QUrl parsedUrl(const QString& url)
{
    QUrl parsed(url, QUrl::TolerantMode);
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
    decltype(&curl_multi_setopt) multi_setopt = nullptr;
    decltype(&curl_multi_socket_action) multi_socket_action = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
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
        bind(c.multi_setopt, "curl_multi_setopt");
        bind(c.multi_socket_action, "curl_multi_socket_action");
        bind(c.multi_info_read, "curl_multi_info_read");
        bind(c.easy_init, "curl_easy_init");
        bind(c.easy_cleanup, "curl_easy_cleanup");
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

// How often the fetcher's own limits (time-outs, rate, size) are checked while anything runs:
// libcurl's timer only serves its own.
constexpr int WatchdogMs = 100;
} // namespace

// The limits every transfer must keep.
struct FetchLimits {
    int answerTimeoutMs = 0;
    int idleTimeoutMs = 0;
    int totalTimeoutMs = 0;
    int rateWindowMs = 0;
    qint64 minBytesPerWindow = 0;
    qint64 maxBytes = 0; // whatever the caller allows
};

// One URL on its way: into a file as it comes, or into memory until it is complete (and, when
// fetched ahead, until its turn).
struct FetchTransfer {
    QString url;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    bool attached = false;
    std::unique_ptr<SafeFile> file; // none: into body
    QByteArray body;
    qint64 maxBytes = 0;
    qint64 received = 0;
    UrlFetcher::FetchId owner = 0; // none while fetched ahead and not asked for
    bool failed = false;
    bool timedOut = false;
    // Over maxBytes, announced or as it came: the file's fault, not the server's.
    bool sizeRefused = false;
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

    FetchTransfer() = default;
    FetchTransfer(const FetchTransfer&) = delete;
    FetchTransfer& operator=(const FetchTransfer&) = delete;
    // Never destroyed from inside a libcurl callback. An unfinished transfer's connection is
    // closed, never reused; its temporary file goes.
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
    bool running() const { return !done; }

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
        sizeRefused = sizeRefused || result == CURLE_FILESIZE_EXCEEDED;
        ok = !failed && result == CURLE_OK && code >= 200 && code < 300;
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
};

namespace {
size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<FetchTransfer*>(user);
    const qint64 bytes = qint64(size * count);
    t->sinceActivity.restart();
    if (t->awaitingHeaders)
        t->answerBegins();
    t->received += bytes;
    if (t->received > t->maxBytes) {
        t->failed = t->sizeRefused = true;
        return 0; // ends the transfer
    }
    // Nothing may unwind through libcurl: a failure to store ends this fetch.
    try {
        if (t->file ? !t->file->write(data, bytes) : (t->body.append(data, bytes), false)) {
            t->failed = true;
            return 0;
        }
    } catch (const std::exception& e) {
        qWarning("Cannot keep what arrives from %s: %s", qUtf8Printable(t->url), e.what());
        t->failed = true;
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

// The fetches, those ahead and libcurl's multi handle, driven by the event loop: libcurl asks
// for its sockets to be watched and for a timer (its callbacks do only that), and every step
// of its work then starts from a notifier or a timer. Handles are added and removed only
// outside libcurl's calls.
struct NetworkFetcher::Session {
    struct Fetch {
        QString targetPath;
        qint64 maxBytes = 0;
        QPointer<QObject> receiver;
        Finished finished;
        quint64 run = 0; // the run it was started in; 0: none
        std::unique_ptr<FetchTransfer> transfer;
    };
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    const FetchLimits limits;
    QObject context; // owns the notifiers; the timers' slots run in it
    QTimer curlTimer;
    QTimer watchdog;
    std::map<curl_socket_t, Watch> sockets;
    CURLM* multi = nullptr; // made at the first download
    std::map<FetchId, Fetch> fetches;
    // Fetched ahead, in the order they were started: running or held ...
    std::deque<std::unique_ptr<FetchTransfer>> ahead;
    // ... and not started yet, each with its size cap.
    std::deque<std::pair<QString, qint64>> waiting;
    FetchId lastId = 0;
    quint64 runs = 0;
    quint64 run = 0; // the open run; 0: none
    bool dead = false;

    explicit Session(const FetchLimits& l) : limits(l)
    {
        curlTimer.setSingleShot(true);
        QObject::connect(&curlTimer, &QTimer::timeout, &context,
                         [this] { act(CURL_SOCKET_TIMEOUT, 0); });
        watchdog.setInterval(WatchdogMs);
        QObject::connect(&watchdog, &QTimer::timeout, &context, [this] { watch(); });
    }
    ~Session()
    {
        // The handles leave the multi handle before it goes.
        fetches.clear();
        ahead.clear();
        if (multi)
            curl().multi_cleanup(multi);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ready()
    {
        const CurlApi& api = curl();
        if (multi || !api.usable)
            return multi != nullptr;
        multi = api.multi_init();
        if (multi) {
            api.multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, onSocket);
            api.multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
            api.multi_setopt(multi, CURLMOPT_TIMERFUNCTION, onTimer);
            api.multi_setopt(multi, CURLMOPT_TIMERDATA, this);
        }
        return multi != nullptr;
    }

    static int onSocket(CURL*, curl_socket_t socket, int what, void* user, void*)
    {
        auto* s = static_cast<Session*>(user);
        if (what == CURL_POLL_REMOVE) {
            const auto found = s->sockets.find(socket);
            if (found != s->sockets.end()) {
                retire(found->second.read);
                retire(found->second.write);
                s->sockets.erase(found);
            }
            return 0;
        }
        Watch& w = s->sockets[socket];
        s->notify(w.read, socket, QSocketNotifier::Read,
                  what == CURL_POLL_IN || what == CURL_POLL_INOUT);
        s->notify(w.write, socket, QSocketNotifier::Write,
                  what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
        return 0;
    }
    static int onTimer(CURLM*, long timeoutMs, void* user)
    {
        auto* s = static_cast<Session*>(user);
        if (timeoutMs < 0)
            s->curlTimer.stop();
        else
            s->curlTimer.start(int(std::min<long>(timeoutMs, INT_MAX)));
        return 0;
    }
    void notify(QSocketNotifier*& notifier, curl_socket_t socket, QSocketNotifier::Type type,
                bool on)
    {
        if (on && !notifier) {
            notifier = new QSocketNotifier(qintptr(socket), type, &context);
            const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
            QObject::connect(notifier, &QSocketNotifier::activated, &context,
                             [this, socket, events] { act(socket, events); });
        }
        if (notifier)
            notifier->setEnabled(on);
    }
    // The notifier may be the one whose signal is being handled.
    static void retire(QSocketNotifier* notifier)
    {
        if (!notifier)
            return;
        notifier->setEnabled(false);
        notifier->deleteLater();
    }

    // libcurl's step, then what it finished.
    void act(curl_socket_t socket, int events)
    {
        int running = 0;
        curl().multi_socket_action(multi, socket, events, &running);
        std::vector<std::pair<CURL*, CURLcode>> done;
        int queued = 0;
        while (CURLMsg* message = curl().multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE)
                done.emplace_back(message->easy_handle, message->data.result);
        }
        // One ending may drop others (a dead server): each is looked up again.
        for (const auto& [easy, result] : done) {
            if (FetchTransfer* t = find([easy = easy](auto& t) { return t.easy == easy; })) {
                t->finish(result);
                ended(*t);
            }
        }
        carryOn();
    }

    // The running transfer that matches, fetched for a caller or ahead.
    template <typename Match> FetchTransfer* find(Match match)
    {
        for (auto& [id, f] : fetches)
            if (f.transfer->running() && match(*f.transfer))
                return f.transfer.get();
        for (const auto& t : ahead)
            if (t->running() && match(*t))
                return t.get();
        return nullptr;
    }
    qsizetype connections() const
    {
        const auto held =
            std::count_if(ahead.begin(), ahead.end(), [](const auto& t) { return t->running(); });
        const auto awaited = std::count_if(fetches.begin(), fetches.end(), [](const auto& f) {
            return f.second.transfer->running();
        });
        return held + awaited;
    }

    // Every transfer keeps the fetcher's own limits, those ahead too.
    void watch()
    {
        for (auto& [id, f] : fetches)
            check(*f.transfer);
        for (const auto& t : ahead)
            check(*t);
        while (FetchTransfer* t = find([](auto& t) { return t.failed; })) {
            t->finish(CURLE_OK);
            ended(*t);
        }
        carryOn();
    }
    void check(FetchTransfer& t)
    {
        if (t.running() && !t.failed && t.outOfTime(limits))
            t.timedOut = t.failed = true;
    }
    void ended(FetchTransfer& t)
    {
        if (t.owner)
            conclude(t.owner);
    }
    void carryOn()
    {
        startWaitingAhead();
        const bool busy = find([](auto&) { return true; }) != nullptr;
        if (busy && !watchdog.isActive())
            watchdog.start();
        else if (!busy)
            watchdog.stop();
    }

    std::unique_ptr<FetchTransfer> start(const QString& url, qint64 maxBytes,
                                         std::unique_ptr<SafeFile> file);
    void startWaitingAhead()
    {
        while (run && !dead && !waiting.empty() && ahead.size() < MaxHeldAhead &&
               connections() < MaxParallel) {
            const auto [url, maxBytes] = waiting.front();
            waiting.pop_front();
            if (std::unique_ptr<FetchTransfer> t = start(url, maxBytes, nullptr))
                ahead.push_back(std::move(t));
        }
    }
    void dropAhead()
    {
        ahead.clear();
        waiting.clear();
    }

    // alone: outside the open run (see UrlFetcher::fetchAlone).
    FetchId fetch(const QString& url, const QString& targetPath, qint64 maxBytes, QObject* receiver,
                  Finished finished, bool alone);
    // The fetch ends: its file is stored or left as it was, and its caller told later.
    void conclude(FetchId id);
    static bool store(Fetch& f);
    static void report(Fetch& f, bool arrived)
    {
        if (f.receiver)
            QMetaObject::invokeMethod(
                f.receiver.data(),
                [finished = std::move(f.finished), arrived] { finished(arrived); },
                Qt::QueuedConnection);
    }
    void giveUp(FetchId id);
};

std::unique_ptr<FetchTransfer> NetworkFetcher::Session::start(const QString& url, qint64 maxBytes,
                                                              std::unique_ptr<SafeFile> file)
{
    const QUrl parsed = parsedUrl(url);
    const CurlApi& api = curl();
    if (parsed.isEmpty() || !ready())
        return nullptr;
    auto t = std::make_unique<FetchTransfer>();
    t->url = url;
    t->multi = multi;
    t->easy = api.easy_init();
    if (!t->easy)
        return nullptr;
    t->file = std::move(file);
    t->maxBytes = maxBytes;
    const QByteArray encoded = parsed.toEncoded();
    const bool secure = parsed.scheme().toLower() == QLatin1String("https");

    CURL* easy = t->easy;
    api.easy_setopt(easy, CURLOPT_URL, encoded.constData());
    api.easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Never less safe than where we started: no hop from https down to http.
    api.easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    api.easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    api.easy_setopt(easy, CURLOPT_MAXREDIRS, long(MaxRedirects));
    api.easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes));
    api.easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(limits.answerTimeoutMs));
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
    t->sinceStart.start();
    t->sinceActivity.start();
    if (api.multi_add_handle(multi, easy) != CURLM_OK)
        return nullptr;
    t->attached = true;
    return t;
}

UrlFetcher::FetchId NetworkFetcher::Session::fetch(const QString& url, const QString& targetPath,
                                                   qint64 maxBytes, QObject* receiver,
                                                   Finished finished, bool alone)
{
    const FetchId id = ++lastId;
    Fetch f{targetPath,      std::min(maxBytes, limits.maxBytes),
            receiver,        std::move(finished),
            alone ? 0 : run, nullptr};
    if (parsedUrl(url).isEmpty() || targetPath.isEmpty() || (dead && !alone) || !ready()) {
        report(f, false);
        return id;
    }
    // Its turn has come: a copy fetched ahead is taken, one not started yet starts now. What
    // the run fetched ahead stays the run's.
    const auto held = alone ? ahead.end()
                            : std::find_if(ahead.begin(), ahead.end(),
                                           [&url](const auto& t) { return t->url == url; });
    if (held != ahead.end()) {
        f.transfer = std::move(*held);
        ahead.erase(held);
        FetchTransfer& t = *f.transfer;
        t.maxBytes = std::min(t.maxBytes, f.maxBytes);
        if (t.received > t.maxBytes)
            t.failed = t.sizeRefused = true;
    } else {
        const auto later = std::find_if(waiting.begin(), waiting.end(),
                                        [&url](const auto& w) { return w.first == url; });
        if (!alone && later != waiting.end())
            waiting.erase(later);
        // This one needs a connection now: the latest started ahead gives way and starts again
        // in its turn.
        while (connections() >= MaxParallel) {
            const auto last = std::find_if(ahead.rbegin(), ahead.rend(),
                                           [](const auto& t) { return t->running(); });
            if (last == ahead.rend())
                break;
            waiting.emplace_front((*last)->url, (*last)->maxBytes);
            ahead.erase(std::next(last).base());
        }
        std::unique_ptr<SafeFile> file;
        if (f.maxBytes > HeldInMemoryMaxBytes) {
            file = std::make_unique<SafeFile>(targetPath, SafeFile::Durability::Unflushed);
            if (!file->open()) {
                report(f, false);
                return id;
            }
        }
        f.transfer = start(url, f.maxBytes, std::move(file));
        if (!f.transfer) {
            report(f, false);
            return id;
        }
    }
    f.transfer->owner = id;
    const bool over = !f.transfer->running() || f.transfer->failed;
    fetches.emplace(id, std::move(f));
    if (over) {
        FetchTransfer& t = *fetches.at(id).transfer;
        if (t.running())
            t.finish(CURLE_OK);
        conclude(id);
    }
    carryOn();
    return id;
}

void NetworkFetcher::Session::conclude(FetchId id)
{
    const auto found = fetches.find(id);
    if (found == fetches.end())
        return;
    Fetch f = std::move(found->second);
    fetches.erase(found);
    const FetchTransfer& t = *f.transfer;
    const bool arrived = t.ok && store(f);
    // Not reached, no answer, or too slow: asking again for each file would only make the
    // user wait again.
    if (!t.ok && f.run != 0 && f.run == run && !dead && !t.sizeRefused &&
        (!t.answered || t.timedOut)) {
        dead = true;
        dropAhead();
        qWarning("No answer from %s: the other files of this run are not asked for.",
                 qUtf8Printable(parsedUrl(t.url).host()));
    }
    f.transfer.reset(); // on failure its temporary file goes: the old target stays as it was
    report(f, arrived);
}

bool NetworkFetcher::Session::store(Fetch& f)
{
    FetchTransfer& t = *f.transfer;
    std::unique_ptr<SafeFile> file = std::move(t.file);
    bool ok = true;
    if (!file) {
        file = std::make_unique<SafeFile>(f.targetPath, SafeFile::Durability::Unflushed);
        ok = file->open() && file->write(t.body);
    }
    ok = ok && file->commit();
    if (!ok)
        qWarning("Cannot write %s: %s", qUtf8Printable(f.targetPath),
                 file->failure() == SafeFile::Failure::DiskFull ? "the disk is full"
                                                                : "write error");
    return ok;
}

// The user gave up on it: within its run, on the server too.
void NetworkFetcher::Session::giveUp(FetchId id)
{
    const auto found = fetches.find(id);
    if (found == fetches.end())
        return;
    Fetch f = std::move(found->second);
    fetches.erase(found);
    f.transfer.reset();
    if (f.run != 0 && f.run == run) {
        dead = true;
        dropAhead();
    }
    report(f, false);
}

NetworkFetcher::NetworkFetcher(int idleTimeoutMs, qint64 maxBytes, int totalTimeoutMs,
                               int rateWindowMs, qint64 minBytesPerWindow)
    : idleTimeoutMs_(idleTimeoutMs), maxBytes_(maxBytes), totalTimeoutMs_(totalTimeoutMs),
      rateWindowMs_(rateWindowMs), minBytesPerWindow_(minBytesPerWindow)
{
}

NetworkFetcher::~NetworkFetcher() = default;

// Without libcurl: it is loaded at the first download, not for a run that downloads nothing.
NetworkFetcher::Session& NetworkFetcher::session()
{
    if (!session_) {
        FetchLimits limits;
        limits.answerTimeoutMs = std::min(ConnectTimeoutMs, idleTimeoutMs_);
        limits.idleTimeoutMs = idleTimeoutMs_;
        limits.totalTimeoutMs = totalTimeoutMs_;
        limits.rateWindowMs = rateWindowMs_;
        limits.minBytesPerWindow = minBytesPerWindow_;
        limits.maxBytes = maxBytes_;
        session_ = std::make_unique<Session>(limits);
    }
    return *session_;
}

UrlFetcher::FetchId NetworkFetcher::fetch(const QString& url, const QString& targetPath,
                                          qint64 maxBytes, QObject* receiver, Finished finished)
{
    return session().fetch(url, targetPath, maxBytes, receiver, std::move(finished), false);
}

UrlFetcher::FetchId NetworkFetcher::fetchAlone(const QString& url, const QString& targetPath,
                                               qint64 maxBytes, QObject* receiver,
                                               Finished finished)
{
    return session().fetch(url, targetPath, maxBytes, receiver, std::move(finished), true);
}

void NetworkFetcher::fetchAhead(const QStringList& urls, qint64 maxBytes)
{
    Session& s = session();
    if (!s.run || s.dead || !s.ready())
        return;
    for (const QString& url : urls)
        s.waiting.emplace_back(url, std::min(maxBytes, maxBytes_));
    s.carryOn();
}

void NetworkFetcher::beginRun()
{
    Session& s = session();
    s.run = ++s.runs;
    s.dead = false;
}

// What was fetched ahead and not asked for stays unwritten.
void NetworkFetcher::endRun()
{
    Session& s = session();
    s.dropAhead();
    s.run = 0;
    s.dead = false;
    s.carryOn();
}

void NetworkFetcher::cancel(FetchId id)
{
    const auto found = session().fetches.find(id);
    if (found != session().fetches.end() && found->second.transfer)
        qInfo("Download of %s given up", qUtf8Printable(found->second.transfer->url));
    session().giveUp(id);
    session().carryOn();
}

// Closing: nothing may wait for a stalled server.
void NetworkFetcher::cancelAll()
{
    Session& s = session();
    s.dropAhead();
    while (!s.fetches.empty())
        s.giveUp(s.fetches.begin()->first);
    s.dead = s.run != 0;
    s.carryOn();
}
