// Times the real main window's operations against limits measured in the same run, and prints
// one line per figure ("name: value unit") and a last line of ratios.
#include "app/drapello_application.h"
#include "bench_support.h"
#include "core/catalogue/list_format.h"
#include "core/services/services.h"
#include "core/skin_controller.h"
#include "files/safe_file.h"
#include "folder_server.h"
#include "gui/catalogue_tree.h"
#include "gui/gallery_model.h"
#include "gui/gallery_window.h"
#include "gui/main_window.h"
#include "hostile_server.h"
#include "platform/common/network_fetcher.h"
#include "support/test_profile.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QListView>
#include <QMainWindow>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#ifdef Q_OS_LINUX
#include "core/install/messenger_folders.h"
#include "platform/linux/wine_registry_reader.h"

#include <unistd.h>
#endif

#ifndef DRAPELLO_BINARY
#error "DRAPELLO_BINARY must name the built program"
#endif
#ifndef DRAPELLO_BARE_WINDOW
#error "DRAPELLO_BARE_WINDOW must name the bare window program"
#endif

using bench::Catalogue;

namespace {

constexpr int WanDelayMs = 20;
constexpr int Wan100DelayMs = 100;
constexpr int HostileCategories = 12;
constexpr qint64 HostileListBytes = 64 * 1024 * 1024;
constexpr int HostileTimeoutMs = 60000;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(what));
    std::exit(1);
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Every node of the catalogue tree.
int nodeCount(const QTreeWidget* tree)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        ++count;
    return count;
}

// The controller's task has ended, waited for in an event loop that sleeps only when nothing
// is due (QTest::qWaitFor sleeps 10 ms a round, which a pass of a hundred lists would time).
bool waitUntilIdle(SkinController& controller, int timeoutMs)
{
    if (controller.task() == SkinController::Task::None)
        return true;
    QEventLoop loop;
    QObject::connect(&controller, &SkinController::taskChanged, &loop,
                     [&loop](SkinController::Task task) {
                         if (task == SkinController::Task::None)
                             loop.quit();
                     });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return controller.task() == SkinController::Task::None;
}

double msSince(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

void print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

// The program on a profile of its own, started as main() starts it, its loading timer held back
// so the pass can be timed from its tick.
struct Window {
    TestProfile profile;
    std::unique_ptr<DrapelloApplication> drapello;
    QTreeWidget* tree = nullptr;

    Window(const QString& baseUrl, bool download)
    {
        profile.setSetting(QStringLiteral("base"), baseUrl);
        profile.setSetting(QStringLiteral("updatelist"),
                           download ? QStringLiteral("1") : QStringLiteral("0"));
        profile.setSetting(QStringLiteral("algedaan"), QStringLiteral("1"));
        profile.services.fetcher = std::make_unique<NetworkFetcher>();
        drapello = std::make_unique<DrapelloApplication>(std::move(profile.services));
        drapello->start(QString());
        controller().stopLoading();
        tree = drapello->window().findChild<QTreeWidget*>(QStringLiteral("catalogueTree"));
        settle();
    }
    SkinController& controller() { return drapello->controller(); }
    QString status() { return controller().report().status(); }

    // The timer's tick: the loading pass, run as the tick runs it.
    double pass(int expectedNodes)
    {
        QElapsedTimer clock;
        clock.start();
        controller().loadCatalogue();
        if (!waitUntilIdle(controller(), 600000))
            fail(QStringLiteral("the pass did not end"));
        const double ms = msSince(clock);
        if (nodeCount(tree) != expectedNodes)
            fail(QStringLiteral("the pass left %1 nodes instead of %2 (status \"%3\")")
                     .arg(nodeCount(tree))
                     .arg(expectedNodes)
                     .arg(status()));
        return ms;
    }
};

double bareFill(const Catalogue& catalogue)
{
    QMainWindow window;
    auto* tree = new QTreeWidget(&window);
    tree->setHeaderHidden(true);
    window.setCentralWidget(tree);
    window.show();
    settle();
    QElapsedTimer clock;
    clock.start();
    bench::fillBareTree(tree, catalogue);
    return msSince(clock);
}

// The same list files written the way the download service writes them (SafeFile: a temporary
// file, flushed to the disk and checked, then put in place). Not a limit; it shows what durability
// costs.
double saveFiles(const Catalogue& catalogue, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QVector<QByteArray> bodies{listformat::encodeList(catalogue.categories)};
    for (const QStringList& skins : catalogue.skins)
        bodies << listformat::encodeList(skins);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < bodies.size(); ++i) {
        SafeFile file(folder + QStringLiteral("/%1.tmp").arg(i), SafeFile::Durability::Unflushed);
        if (!file.open() || !file.write(bodies[i]) || !file.commit())
            fail(QStringLiteral("cannot save into %1").arg(folder));
    }
    return msSince(clock);
}

// parallel: over as many connections at once as the program's thumbnails use.
double curlFetch(const QStringList& urls, const QString& folder, bool parallel = false)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList args{QStringLiteral("-s"), QStringLiteral("-f"),
                     QStringLiteral("--remote-name-all"), QStringLiteral("--output-dir"), folder};
    if (parallel)
        args << QStringLiteral("-Z") << QStringLiteral("--parallel-max")
             << QString::number(ThumbnailLoader::MaxFetches);
    args += urls;
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), args);
    if (!curl.waitForFinished(60000) || curl.exitStatus() != QProcess::NormalExit ||
        curl.exitCode() != 0)
        fail(QStringLiteral("curl failed: %1")
                 .arg(QString::fromLocal8Bit(curl.readAllStandardError())));
    const double ms = msSince(clock);
    if (QDir(folder).entryList(QDir::Files).size() != urls.size())
        fail(QStringLiteral("curl did not store every file"));
    return ms;
}

// ------------------------------------------------------------------ the gallery

// The gallery opened from its menu item, on the catalogue's first category.
GalleryWindow* openGallery(MainWindow& window)
{
    window.findChild<QAction*>(QStringLiteral("galleryItem"))->trigger();
    auto* gallery = window.findChild<GalleryWindow*>(QStringLiteral("galleryWindow"));
    if (!gallery)
        fail(QStringLiteral("no gallery"));
    return gallery;
}

// Runs the event loop until every thumbnail in view has come and the view has been painted
// with them.
void waitUntilGalleryPainted(GalleryWindow* gallery)
{
    QWidget* viewport = gallery->findChild<QListView*>(QStringLiteral("galleryView"))->viewport();
    struct NextPaint : QObject {
        QEventLoop loop;
        bool armed = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (armed && event->type() == QEvent::Paint)
                QTimer::singleShot(0, &loop, &QEventLoop::quit); // once this paint is done
            return false;
        }
    } watch;
    viewport->installEventFilter(&watch);
    QObject::connect(gallery, &GalleryWindow::viewCompleted, &watch, [&watch, viewport] {
        watch.armed = true;
        viewport->update();
    });
    QTimer::singleShot(120000, &watch.loop, &QEventLoop::quit);
    watch.loop.exec();
    if (!watch.armed)
        fail(QStringLiteral("the gallery never showed its thumbnails"));
}

// From show() to the end of the first paint of the viewport isViewport picks.
double untilFirstPaint(const std::function<bool(QObject*)>& isViewport,
                       const std::function<void()>& show)
{
    struct FirstPaint : QObject {
        QEventLoop loop;
        std::function<bool(QObject*)> isViewport;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && isViewport(watched))
                QTimer::singleShot(0, &loop, &QEventLoop::quit);
            return false;
        }
    } watch;
    watch.isViewport = isViewport;
    qApp->installEventFilter(&watch);
    QElapsedTimer clock;
    clock.start();
    show();
    QTimer::singleShot(60000, &watch.loop, &QEventLoop::quit);
    watch.loop.exec();
    qApp->removeEventFilter(&watch);
    return msSince(clock);
}

// A plain icon view over the same names, uniform cells of the gallery's size.
double bareIconView(const QStringList& names, QSize cell)
{
    QStringListModel model(names);
    QListView view;
    view.setViewMode(QListView::IconMode);
    view.setUniformItemSizes(true);
    view.setGridSize(cell);
    view.resize(500, 500);
    return untilFirstPaint([&view](QObject* o) { return o == view.viewport(); },
                           [&view, &model] {
                               view.setModel(&model);
                               view.show();
                           });
}

// The skins whose cells lie in the gallery's view.
QStringList skinsInView(GalleryWindow* gallery)
{
    const auto* view = gallery->findChild<QListView*>(QStringLiteral("galleryView"));
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex index = view->model()->index(row, 0);
        if (view->visualRect(index).intersects(view->viewport()->rect()))
            names << index.data().toString();
    }
    return names;
}

// The floor of a thumbnail: decoded and scaled down, one after the other.
double decodeThumbnails(const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QImageReader reader(folder + QLatin1Char('/') + name);
        const QImage picture = reader.read();
        if (picture.isNull())
            fail(QStringLiteral("QImageReader could not decode %1").arg(name));
        (void)picture.scaled(ThumbnailLoader::Side, ThumbnailLoader::Side, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    }
    return msSince(clock);
}

// ------------------------------------------------------------------ separate processes

// A program folder with the settings and Cache a user would have after one download.
struct Sandbox {
    QTemporaryDir dir;
    QString program() const { return dir.path() + QStringLiteral("/program"); }

    Sandbox(const Catalogue& catalogue, const QStringList& binaries)
    {
        QDir().mkpath(program());
        QDir().mkpath(dir.path() + QStringLiteral("/run"));
        QFile::setPermissions(dir.path() + QStringLiteral("/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& binary : binaries)
            if (!QFile::copy(binary, program() + QLatin1Char('/') + QFileInfo(binary).fileName()))
                fail(QStringLiteral("cannot copy %1").arg(binary));
        QSettings ini(dir.path() + QStringLiteral("/config/KorvaneSoftware.ini"),
                      QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Drapello"));
        ini.setValue(QStringLiteral("algedaan"), QStringLiteral("1"));
        ini.setValue(QStringLiteral("updatelist"), QStringLiteral("0"));
        ini.setValue(QStringLiteral("base"), QStringLiteral("http://127.0.0.1:9/korvane/base/"));
        ini.endGroup();
        ini.sync();
        bench::writeCacheFiles(catalogue, program() + QStringLiteral("/Cache"));
    }

    void setSetting(const QString& key, const QString& value) const
    {
        QSettings ini(dir.path() + QStringLiteral("/config/KorvaneSoftware.ini"),
                      QSettings::IniFormat);
        ini.setValue(QStringLiteral("Drapello/") + key, value);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path() + QStringLiteral("/run"));
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("WINEPREFIX"), dir.path() + QStringLiteral("/wine"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }
};

// Process start to the line "shown" on its output.
double timeToShown(const QString& program, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    QByteArray out;
    while (!out.contains("shown\n")) {
        if (clock.elapsed() > 30000 ||
            (process.state() == QProcess::NotRunning && process.bytesAvailable() == 0))
            fail(QStringLiteral("%1 never showed its tree: %2")
                     .arg(program, QString::fromLocal8Bit(process.readAllStandardError())));
        if (process.waitForReadyRead(100) || process.bytesAvailable() > 0)
            out += process.readAllStandardOutput();
    }
    const double ms = msSince(clock);
    process.waitForFinished(10000);
    return ms;
}

// Peak resident memory of a process once it has settled: its CPU time has not moved for
// 400 ms. VmHWM is the high-water mark, so the work done before is all counted.
double settledPeakMb(const QString& program, const QStringList& args,
                     const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        fail(QStringLiteral("cannot start %1").arg(program));
    const qint64 pid = process.processId();
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    int still = 0;
    while (still < 20) {
        QThread::msleep(20);
        const qint64 ticks = bench::procCpuTicks(pid);
        if (ticks < 0 || clock.elapsed() > 30000)
            fail(QStringLiteral("%1 ended or never settled").arg(program));
        still = (ticks == last && clock.elapsed() > 200) ? still + 1 : 0;
        last = ticks;
    }
    const qint64 kb = bench::procStatusKb(pid, "VmHWM");
    process.kill();
    process.waitForFinished(10000);
    return double(kb) / 1024.0;
}

// Peak resident memory of a process over its loading: sampled until its CPU time has not moved
// for 400 ms, or for at most timeoutMs, then it is asked to end (SIGTERM) as a session would.
double loadingPeakMb(const QString& program, const QProcessEnvironment& env, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {});
    if (!process.waitForStarted(10000))
        fail(QStringLiteral("cannot start %1").arg(program));
    const qint64 pid = process.processId();
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    qint64 peakKb = 0;
    int still = 0;
    while (still < 20) {
        QThread::msleep(20);
        const qint64 ticks = bench::procCpuTicks(pid);
        if (ticks < 0)
            fail(QStringLiteral("%1 ended while it loaded").arg(program));
        peakKb = qMax(peakKb, bench::procStatusKb(pid, "VmHWM"));
        if (clock.elapsed() > timeoutMs) {
            std::fprintf(stderr, "bench: %s still busy after %d s; its peak so far counts\n",
                         qPrintable(program), timeoutMs / 1000);
            break;
        }
        still = (ticks == last && clock.elapsed() > 200) ? still + 1 : 0;
        last = ticks;
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
    return double(peakKb) / 1024.0;
}

// ------------------------------------------------------------------ the start-up child

// What main() does, watched from inside: "shown" at the tree's first paint after the loading
// pass has filled it. Run from a sandbox, like the program.
class ShownWatcher : public QObject {
public:
    explicit ShownWatcher(DrapelloApplication& drapello) : drapello_(drapello) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QTreeWidget* tree =
            drapello_.window().findChild<QTreeWidget*>(QStringLiteral("catalogueTree"));
        if (event->type() == QEvent::Paint && watched == tree->viewport() &&
            !drapello_.controller().loadingPending() && nodeCount(tree) > 1) {
            std::printf("shown\nnodes %d\nVmHWM %lld\n", nodeCount(tree),
                        static_cast<long long>(
                            bench::procStatusKb(QCoreApplication::applicationPid(), "VmHWM")));
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }

private:
    DrapelloApplication& drapello_;
};

int startupChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    DrapelloApplication::prepare();
    DrapelloApplication drapello(systemServices());
    if (!drapello.start(QString()))
        return 3;
    ShownWatcher watcher(drapello);
    drapello.window()
        .findChild<QTreeWidget*>(QStringLiteral("catalogueTree"))
        ->viewport()
        ->installEventFilter(&watcher);
    return app.exec();
}

// The program from its sandbox with the gallery open on a category of 1,000 skins, scrolled a
// screen at a time once the thumbnails in view have come, to the end: then its peak memory.
int galleryChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    DrapelloApplication::prepare();
    DrapelloApplication drapello(systemServices());
    if (!drapello.start(QString()))
        return 3;
    GalleryWindow* gallery = nullptr;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!gallery) {
            if (drapello.controller().task() == SkinController::Task::None &&
                !drapello.controller().loadingPending())
                gallery = openGallery(drapello.window());
            return;
        }
        if (!gallery->viewComplete())
            return;
        QScrollBar* bar = gallery->findChild<QListView*>()->verticalScrollBar();
        if (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            return;
        }
        std::printf("VmHWM %lld\n", static_cast<long long>(bench::procStatusKb(
                                        QCoreApplication::applicationPid(), "VmHWM")));
        std::fflush(stdout);
        std::_Exit(0);
    });
    poll.start();
    return app.exec();
}

// The "VmHWM <KiB>" line a child prints, in MiB.
double childPeakMb(const QString& program, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        fail(QStringLiteral("%1 did not report its memory: %2")
                 .arg(program, QString::fromLocal8Bit(process.readAllStandardError())));
    const QByteArray out = process.readAllStandardOutput();
    return out.mid(out.indexOf("VmHWM ") + 6).trimmed().toDouble() / 1024.0;
}

// ------------------------------------------------------------------ Wine prefixes

#ifdef Q_OS_LINUX
constexpr int DecoyPrefixes = 200;

// A win64 system.reg of 3.2 MB, the size of a prefix with a few programs; Messenger's key
// half-way when it names its folder.
QByteArray benchSystemReg(bool messenger)
{
    QByteArray text =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    for (int i = 0; text.size() < 3200 * 1024; ++i) {
        if (messenger && i == 10000)
            text += "\n[Software\\\\Microsoft\\\\MSNMessenger] 1700000000\n#time=1d9\n"
                    "\"InstallationDirectory\"=\"C:\\\\Program Files\\\\MSN Messenger\\\\\"\n";
        text += QStringLiteral("\n[Software\\\\Classes\\\\CLSID\\\\{%1-0000-4000-8000-%2}] "
                               "1700000000\n#time=1d9c0a2b3c4d5e6\n@=\"Component %1\"\n"
                               "\"ThreadingModel\"=\"Both\"\n")
                    .arg(i, 8, 16, QLatin1Char('0'))
                    .arg(i, 12, 10, QLatin1Char('0'))
                    .toLatin1();
    }
    return text;
}

// A prefix whose system.reg is a link to `registry`, written an hour ago (as a prefix not in
// use stands), with Messenger's folder on its drive C.
void makePrefix(const QString& prefix, const QString& registry)
{
    QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
    QDir().mkpath(prefix + QStringLiteral("/drive_c/Program Files/MSN Messenger"));
    QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
    if (::link(QFile::encodeName(registry).constData(),
               QFile::encodeName(prefix + QStringLiteral("/system.reg")).constData()) != 0)
        fail(QStringLiteral("cannot link %1").arg(prefix));
}

// What an install asks of the registry: Messenger's folders, then the prefix once per window
// class closed.
double wineCommand(WineRegistryReader& reader, const QString& expectedPrefix)
{
    QElapsedTimer clock;
    clock.start();
    const QStringList folders = MessengerFolders(reader).existing();
    for (int i = 0; i < 3; ++i) {
        if (reader.messengerPrefix() != expectedPrefix)
            fail(QStringLiteral("Messenger was not found in %1").arg(expectedPrefix));
    }
    return folders.isEmpty() ? 0 : msSince(clock);
}
#endif

// ------------------------------------------------------------------ figures

// The offscreen platform warns at every raise(); nothing else is dropped.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("This plugin does not support")) ||
        text.startsWith(QLatin1String("No Messenger in the Wine prefix")))
        return;
    std::fputs(qPrintable(qFormatLogMessage(type, context, text) + QLatin1Char('\n')), stderr);
}

struct Ratios {
    QStringList parts;
    void add(const char* key, double value)
    {
        parts << QStringLiteral("%1=%2").arg(QLatin1String(key)).arg(value, 0, 'f', 2);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--gallery-child") == 0)
        return galleryChild(argc, argv);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    int runs = 5;
    const QStringList args = QApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at > 0 && at + 1 < args.size())
        runs = qMax(1, args[at + 1].toInt());
    // --only name[,name...]: a subset of the figures, for profiling one of them.
    const qsizetype onlyAt = args.indexOf(QStringLiteral("--only"));
    const QStringList only = onlyAt > 0 && onlyAt + 1 < args.size()
                                 ? args[onlyAt + 1].split(QLatin1Char(','))
                                 : QStringList();
    auto want = [&only](const char* figure) {
        return only.isEmpty() || only.contains(QLatin1String(figure));
    };

    QTemporaryDir work;
    const QString served = work.path() + QStringLiteral("/served");
    const Catalogue wide = bench::makeCatalogue(100, 300, QString());
    const Catalogue tall = bench::makeCatalogue(1, 32767, QStringLiteral("Big"));
    bench::writeServerFiles(wide, served);
    const QByteArray gif = bench::uncompressedGif(520, 520);
    const QString skin = wide.skins[0][0];
    bench::writeFile(served + QLatin1Char('/') + wide.categories[0] + QLatin1Char('/') + skin +
                         QStringLiteral(".gif"),
                     gif);

    // A category of 1,000 skins, each with a picture of its own.
    const Catalogue pictured = bench::makeCatalogue(1, 1000, QStringLiteral("Pic"));
    for (const QString& name : pictured.skins[0])
        bench::writeFile(served + QLatin1Char('/') + pictured.categories[0] + QLatin1Char('/') +
                             name + QStringLiteral(".gif"),
                         bench::uncompressedGif(120, 160));

    FolderServer server(served);
    FolderServer slow(served, WanDelayMs);

    Ratios ratios;
    QVector<double> product, curl, fill, fillTall, extra, expand;
    std::printf("runs: %d\n", runs);

    // download: the pass in download mode against one curl process plus a bare fill
    if (want("download")) {
        for (int i = 0; i < runs; ++i) {
            Window window(server.baseUrl(), true);
            product << window.pass(wide.nodeCount());
            curl << curlFetch(bench::listUrls(wide, server.baseUrl()),
                              work.path() + QStringLiteral("/curl"));
            fill << bareFill(wide);
            extra << saveFiles(wide, work.path() + QStringLiteral("/saved"));
        }
        const double download = bench::median(product);
        const double downloadLimit = bench::median(curl) + bench::median(fill);
        print("download", download, "ms");
        print("download_limit_curl", bench::median(curl), "ms");
        print("download_limit_fill", bench::median(fill), "ms");
        print("download_part_savefile", bench::median(extra), "ms");
        ratios.add("download", download / downloadLimit);
    }

    // The same on a file system in memory, when there is one: what the pass costs without the
    // disk's flushes. Not in the table; it shows where the rest of download's time goes.
    if (want("download") && QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        const bool hadTmp = qEnvironmentVariableIsSet("TMPDIR");
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", "/dev/shm");
        QTemporaryDir memory;
        product.clear();
        curl.clear();
        for (int i = 0; i < runs; ++i) {
            Window window(server.baseUrl(), true);
            product << window.pass(wide.nodeCount());
            curl << curlFetch(bench::listUrls(wide, server.baseUrl()),
                              memory.path() + QStringLiteral("/curl"));
        }
        if (hadTmp)
            qputenv("TMPDIR", oldTmp);
        else
            qunsetenv("TMPDIR");
        print("download_memfs", bench::median(product), "ms");
        print("download_memfs_limit_curl", bench::median(curl), "ms");
        ratios.add("download_memfs",
                   bench::median(product) / (bench::median(curl) + bench::median(fill)));
    }

    // wan: the same pass over a slow link; wan100: over a link to a distant server. Against
    // sequential fetching's floor: one round trip per file, and one for the connection.
    auto wanFigure = [&](const char* name, FolderServer& link, int delayMs, bool withCurl) {
        product.clear();
        curl.clear();
        for (int i = 0; i < runs; ++i) {
            Window window(link.baseUrl(), true);
            product << window.pass(wide.nodeCount());
            // Not the limit: what a minimal client gets from the same simulated link.
            if (withCurl)
                curl << curlFetch(bench::listUrls(wide, link.baseUrl()),
                                  work.path() + QStringLiteral("/curl"));
        }
        const double wan = bench::median(product);
        const double sequentialLimit = (wide.categories.size() + 1) * delayMs + delayMs;
        const QByteArray figure(name);
        print(figure.constData(), wan, "ms");
        print((figure + "_sequential_limit").constData(), sequentialLimit, "ms");
        if (withCurl)
            print((figure + "_curl").constData(), bench::median(curl), "ms");
        ratios.add(figure.constData(), wan / sequentialLimit);
    };
    if (want("wan"))
        wanFigure("wan", slow, WanDelayMs, true);
    if (want("wan100")) {
        FolderServer distant(served, Wan100DelayMs);
        // One curl fetch one by one takes ten seconds a run here and says nothing new.
        wanFigure("wan100", distant, Wan100DelayMs, false);
    }

    // cache: the pass from the Cache copies, 100 x 300 and one category of 32,767
    if (want("cache")) {
        product.clear();
        extra.clear();
        fill.clear();
        fillTall.clear();
        for (int i = 0; i < runs; ++i) {
            {
                Window window(server.baseUrl(), false);
                bench::writeCacheFiles(wide, window.profile.cacheFolder());
                product << window.pass(wide.nodeCount());
                // The "expand all" menu item over the filled tree, up to its next paint.
                QElapsedTimer clock;
                clock.start();
                window.drapello->window()
                    .findChild<QAction*>(QStringLiteral("expandAllItem"))
                    ->trigger();
                settle();
                expand << msSince(clock);
            }
            {
                Window window(server.baseUrl(), false);
                bench::writeCacheFiles(tall, window.profile.cacheFolder());
                extra << window.pass(tall.nodeCount());
            }
            fill << bareFill(wide);
            fillTall << bareFill(tall);
        }
        print("cache", bench::median(product), "ms");
        print("expand_all", bench::median(expand), "ms");
        print("cache_limit_fill", bench::median(fill), "ms");
        print("cache32767", bench::median(extra), "ms");
        print("cache32767_limit_fill", bench::median(fillTall), "ms");
        ratios.add("cache", bench::median(product) / bench::median(fill));
        ratios.add("cache32767", bench::median(extra) / bench::median(fillTall));
    }

    // preview: a click on a skin against one curl fetch and a QImageReader decode
    if (want("preview")) {
        product.clear();
        curl.clear();
        extra.clear();
        Window window(server.baseUrl(), false);
        bench::writeCacheFiles(wide, window.profile.cacheFolder());
        window.pass(wide.nodeCount());
        const QList<QTreeWidgetItem*> found =
            window.tree->findItems(skin, Qt::MatchExactly | Qt::MatchRecursive);
        QTreeWidgetItem* node = found.isEmpty() ? nullptr : found.first();
        if (!node)
            fail(QStringLiteral("no node for %1").arg(skin));
        auto click = [&] {
            QElapsedTimer clock;
            clock.start();
            window.controller().previewSkin(CatalogueTree::nodeOf(node));
            if (!waitUntilIdle(window.controller(), 60000))
                fail(QStringLiteral("the preview did not end"));
            const double ms = msSince(clock);
            if (window.status() != window.controller().language().text(UiText::Loaded) ||
                QFileInfo(window.profile.cacheFolder() + QStringLiteral("/temp.dat")).size() !=
                    gif.size())
                fail(QStringLiteral("the preview failed: %1").arg(window.status()));
            return ms;
        };
        click(); // the first request of a run also sets up the connection
        const QString url = server.baseUrl() + wide.categories[0] + QLatin1Char('/') + skin +
                            QStringLiteral(".gif");
        const QString folder = work.path() + QStringLiteral("/curl-gif");
        for (int i = 0; i < runs; ++i) {
            product << click();
            curl << curlFetch({url}, folder);
            QElapsedTimer clock;
            clock.start();
            QImageReader reader(folder + QLatin1Char('/') + skin + QStringLiteral(".gif"));
            if (reader.read().isNull())
                fail(QStringLiteral("QImageReader could not decode the GIF"));
            extra << msSince(clock);
        }
        print("preview", bench::median(product), "ms");
        print("preview_limit_curl", bench::median(curl), "ms");
        print("preview_limit_decode", bench::median(extra), "ms");
        ratios.add("preview",
                   bench::median(product) / (bench::median(curl) + bench::median(extra)));
    }

    // startup and memory: separate processes in sandboxes
    if (want("startup")) {
        const QString self = QCoreApplication::applicationFilePath();
        const QString bare = QStringLiteral(DRAPELLO_BARE_WINDOW);
        const QString real = QStringLiteral(DRAPELLO_BINARY);
        Sandbox wideBox(wide, {self, real});
        Sandbox tallBox(tall, {real});
        const QString child = wideBox.program() + QLatin1Char('/') + QFileInfo(self).fileName();
        const QString program = tallBox.program() + QStringLiteral("/Drapello");
        product.clear();
        fill.clear();
        extra.clear();
        fillTall.clear();
        for (int i = 0; i < runs; ++i) {
            product << timeToShown(child, {QStringLiteral("--startup-child")},
                                   wideBox.environment());
            fill << timeToShown(bare, {QStringLiteral("100"), QStringLiteral("300")},
                                wideBox.environment());
            extra << settledPeakMb(program, {}, tallBox.environment());
            fillTall << settledPeakMb(
                bare, {QStringLiteral("1"), QStringLiteral("32767"), QStringLiteral("--stay")},
                tallBox.environment());
        }
        print("startup", bench::median(product), "ms");
        print("startup_limit_bare", bench::median(fill), "ms");
        print("memory", bench::median(extra), "MiB");
        print("memory_limit_bare", bench::median(fillTall), "MiB");
        ratios.add("startup", bench::median(product) / bench::median(fill));
        ratios.add("memory", bench::median(extra) / bench::median(fillTall));
    }

    // gallery: the gallery opened on the category of 1,000 until every thumbnail in view is
    // painted, against curl fetching those pictures over as many connections plus decoding and
    // scaling them one by one; the same pictures each run, from an empty thumbnail folder.
    if (want("gallery")) {
        product.clear();
        curl.clear();
        extra.clear();
        qsizetype shown = 0;
        for (int i = 0; i < runs; ++i) {
            Window window(server.baseUrl(), false);
            bench::writeCacheFiles(pictured, window.profile.cacheFolder());
            window.pass(pictured.nodeCount());
            QElapsedTimer clock;
            clock.start();
            GalleryWindow* gallery = openGallery(window.drapello->window());
            waitUntilGalleryPainted(gallery);
            product << msSince(clock);
            QStringList urls;
            for (const QString& name : skinsInView(gallery))
                urls << server.baseUrl() + pictured.categories[0] + QLatin1Char('/') + name +
                            QStringLiteral(".gif");
            shown = urls.size();
            const QString folder = work.path() + QStringLiteral("/curl-gallery");
            curl << curlFetch(urls, folder, true);
            extra << decodeThumbnails(folder);
        }
        // Opened on a category of 32,767: its first paint, before any thumbnail.
        fill.clear();
        fillTall.clear();
        for (int i = 0; i < runs; ++i) {
            Window window(server.baseUrl(), false);
            bench::writeCacheFiles(tall, window.profile.cacheFolder());
            window.pass(tall.nodeCount());
            MainWindow& main = window.drapello->window();
            QSize cell;
            fill << untilFirstPaint(
                [](QObject* o) {
                    return o->parent() && o->parent()->objectName() == QLatin1String("galleryView");
                },
                [&main, &cell] { cell = openGallery(main)->findChild<QListView*>()->gridSize(); });
            fillTall << bareIconView(tall.skins[0], cell);
        }
        std::printf("gallery_thumbnails_in_view: %lld\n", static_cast<long long>(shown));
        print("gallery32767_open", bench::median(fill), "ms");
        print("gallery32767_open_limit_bare", bench::median(fillTall), "ms");
        print("gallery", bench::median(product), "ms");
        print("gallery_limit_curl", bench::median(curl), "ms");
        print("gallery_limit_decode", bench::median(extra), "ms");
        ratios.add("gallery",
                   bench::median(product) / (bench::median(curl) + bench::median(extra)));
    }

    // find: each keystroke of a name typed into the find field, over 65,533 names (the most a
    // catalogue of 65,536 nodes holds), the gallery's model filled with what is found; against
    // QStringList::filter over the same names.
    if (want("find")) {
        const Catalogue full = bench::makeCatalogue(2, 32767, QStringLiteral("Find"));
        CatalogueNames names;
        QStringList all;
        for (int c = 0; c < 2; ++c) {
            const QStringList skins = c == 0 ? full.skins[c] : full.skins[c].mid(1);
            names.addCategory(full.categories[c], QLatin1Char(' ') + full.categories[c]);
            names.addSkins(full.categories[c], skins);
            all += skins;
        }
        GalleryModel model(names);
        const QString typed = QStringLiteral("findskin001-01234");
        product.clear();
        fill.clear();
        extra.clear();
        for (int i = 0; i < runs; ++i) {
            for (int length = 1; length <= typed.size(); ++length) {
                const QString part = typed.left(length);
                QElapsedTimer clock;
                clock.start();
                model.showFound(names.find(part));
                product << msSince(clock);
                clock.restart();
                const QStringList found = all.filter(part, Qt::CaseInsensitive);
                fill << msSince(clock);
                if (found.size() != model.rowCount())
                    fail(QStringLiteral("find gave %1 skins for \"%2\", filter %3")
                             .arg(model.rowCount())
                             .arg(part)
                             .arg(found.size()));
                if (length == 1)
                    extra << product.last();
            }
        }
        print("find", bench::median(product), "ms");
        print("find_first_letter", bench::median(extra), "ms");
        print("find_limit_filter", bench::median(fill), "ms");
        ratios.add("find", bench::median(product) / bench::median(fill));
    }

    // gallery_memory: the program's peak memory with the gallery open on 1,000 skins, every
    // thumbnail seen once, beside a plain window showing 1,000 icons of that size.
    if (want("gallery_memory")) {
        const QString self = QCoreApplication::applicationFilePath();
        const QString bare = QStringLiteral(DRAPELLO_BARE_WINDOW);
        Sandbox box(pictured, {self});
        box.setSetting(QStringLiteral("base"), server.baseUrl());
        const QString child = box.program() + QLatin1Char('/') + QFileInfo(self).fileName();
        product.clear();
        fill.clear();
        for (int i = 0; i < runs; ++i) {
            QDir(box.program() + QStringLiteral("/Cache/thumbnails")).removeRecursively();
            product << childPeakMb(child, {QStringLiteral("--gallery-child")}, box.environment());
            fill << settledPeakMb(bare,
                                  {QStringLiteral("--gallery"), QStringLiteral("1000"),
                                   QString::number(ThumbnailLoader::Side),
                                   QStringLiteral("--stay")},
                                  box.environment());
        }
        print("gallery_memory", bench::median(product), "MiB");
        print("gallery_memory_limit_bare", bench::median(fill), "MiB");
        ratios.add("gallery_memory", bench::median(product) / bench::median(fill));
    }

    // hostile: the real program starting against a server whose twelve category lists are
    // 64 MiB each, streamed chunked without a length (and then under a Content-Length): its
    // peak resident memory while it loads, beside a plain window holding those categories.
    // Not in the ratios: what counts is the absolute figure. At most three runs: each streams
    // up to 768 MiB over the loopback.
    if (want("hostile")) {
        const QString real = QStringLiteral(DRAPELLO_BINARY);
        const QString bare = QStringLiteral(DRAPELLO_BARE_WINDOW);
        const Catalogue none;
        Sandbox bareBox(none, {});
        QVector<double> chunked, sized, sentChunked, sentSized, floor;
        for (int i = 0; i < qMin(runs, 3); ++i) {
            for (const bool withLength : {false, true}) {
                HostileServer hostile(HostileCategories, HostileListBytes, withLength);
                Sandbox box(none, {real});
                box.setSetting(QStringLiteral("base"), hostile.baseUrl());
                box.setSetting(QStringLiteral("updatelist"), QStringLiteral("1"));
                (withLength ? sized : chunked)
                    << loadingPeakMb(box.program() + QStringLiteral("/Drapello"), box.environment(),
                                     HostileTimeoutMs);
                (withLength ? sentSized : sentChunked)
                    << double(hostile.bytesSent()) / (1024.0 * 1024.0);
            }
            floor << settledPeakMb(
                bare,
                {QString::number(HostileCategories), QStringLiteral("0"), QStringLiteral("--stay")},
                bareBox.environment());
        }
        print("hostile_lists_peak", bench::median(chunked), "MiB");
        print("hostile_lists_peak_length", bench::median(sized), "MiB");
        print("hostile_limit_bare", bench::median(floor), "MiB");
        print("hostile_lists_sent", bench::median(sentChunked), "MiB");
        print("hostile_lists_sent_length", bench::median(sentSized), "MiB");
    }

#ifdef Q_OS_LINUX
    // wineprefix: an install's registry look-ups with Messenger in a Wine front-end's prefix
    // behind 200 others and a ~/.wine without it, against Messenger in ~/.wine.
    if (want("wineprefix")) {
        QTemporaryDir homes;
        const QString front = homes.path() + QStringLiteral("/front");
        const QString home = homes.path() + QStringLiteral("/home");
        const QString decoy = homes.path() + QStringLiteral("/decoy.reg");
        const QString messenger = homes.path() + QStringLiteral("/messenger.reg");
        bench::writeFile(decoy, benchSystemReg(false));
        bench::writeFile(messenger, benchSystemReg(true));
        for (const QString& file : {decoy, messenger}) {
            QFile reg(file);
            if (!reg.open(QIODevice::Append) ||
                !reg.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFile::FileModificationTime))
                fail(QStringLiteral("cannot date %1").arg(file));
        }
        for (const QString& base : {front, home}) {
            for (int i = 0; i < DecoyPrefixes; ++i)
                makePrefix(base + QStringLiteral("/.local/share/wineprefixes/p%1")
                                      .arg(i, 3, 10, QLatin1Char('0')),
                           decoy);
        }
        makePrefix(front + QStringLiteral("/.wine"), decoy);
        makePrefix(front + QStringLiteral("/Games/msn"), messenger);
        makePrefix(home + QStringLiteral("/.wine"), messenger);
        const QString frontFound = front + QStringLiteral("/Games/msn");
        const QString homeFound = home + QStringLiteral("/.wine");
        auto reader = [](const QString& base) {
            return std::make_unique<WineRegistryReader>(
                [base] { return base + QStringLiteral("/.wine"); }, base);
        };
        QVector<double> cold, warm, coldHome, warmHome, ahead, aheadHome, close;
        for (int i = 0; i < runs; ++i) {
            auto frontReader = reader(front);
            cold << wineCommand(*frontReader, frontFound);
            warm << wineCommand(*frontReader, frontFound);
            auto homeReader = reader(home);
            coldHome << wineCommand(*homeReader, homeFound);
            warmHome << wineCommand(*homeReader, homeFound);
            // Started with the program: the first install, a moment later, finds it done.
            for (const bool inFront : {true, false}) {
                auto started = reader(inFront ? front : home);
                started->searchAhead();
                QThread::msleep(static_cast<unsigned long>(cold.last() * 2) + 100);
                (inFront ? ahead : aheadHome)
                    << wineCommand(*started, inFront ? frontFound : homeFound);
            }
            // Closing the program while the search runs.
            auto closing = reader(front);
            closing->searchAhead();
            QThread::msleep(20);
            QElapsedTimer clock;
            clock.start();
            closing.reset();
            close << msSince(clock);
        }
        print("wineprefix", 1000 * bench::median(ahead), "us");
        print("wineprefix_limit_home", 1000 * bench::median(aheadHome), "us");
        print("wineprefix_later", 1000 * bench::median(warm), "us");
        print("wineprefix_later_home", 1000 * bench::median(warmHome), "us");
        print("wineprefix_search", bench::median(cold), "ms");
        print("wineprefix_search_home", bench::median(coldHome), "ms");
        print("wineprefix_close", bench::median(close), "ms");
        ratios.add("wineprefix", bench::median(ahead) / bench::median(aheadHome));
    }
#endif

    std::printf("ratios: %s\n", qPrintable(ratios.parts.join(QLatin1Char(' '))));
    return 0;
}
