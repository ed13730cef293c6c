// Soak: many refreshes and previews against a loopback server that misbehaves at random, to show
// that memory and open descriptors stay flat however long the program runs.
//
//   drapello_soak [operations=1000] [seed=1]
//
// Each round runs one refresh (the whole catalogue downloaded again) and one preview, each of
// their downloads meeting a fault drawn from the seeded generator. Prints the figures at 0, 25,
// 50, 75 and 100 percent, then the totals.
#include "app/drapello_application.h"
#include "core/skin_controller.h"
#include "gui/main_window.h"
#include "platform/common/network_fetcher.h"
#include "support/http_test_server.h"
#include "support/test_profile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr qint64 SizeLimit = 64 * 1024;
constexpr int IdleTimeoutMs = 200;
const QStringList Categories = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
constexpr int SkinsPerCategory = 20;
constexpr int PreviewSkins = 20;

enum class Fault {
    None,
    CutOff,
    NeverAnswers,
    Status500,
    Status404,
    RedirectLoop,
    TooLarge,
    NotPicture
};
const char* const FaultNames[] = {"none", "cut off",       "never answers",       "500",
                                  "404",  "redirect loop", "over the size limit", "not a picture"};
constexpr int FaultCount = 8;

// Half of the downloads go through; the rest meet one of the faults, a stall more rarely
// since each one costs the idle time-out.
Fault drawFault(QRandomGenerator& random)
{
    static const Fault others[] = {Fault::CutOff,       Fault::Status500, Fault::Status404,
                                   Fault::RedirectLoop, Fault::TooLarge,  Fault::NotPicture};
    const int roll = int(random.bounded(100));
    if (roll < 50)
        return Fault::None;
    if (roll < 54)
        return Fault::NeverAnswers;
    return others[(roll - 54) % 6];
}

void play(HttpTestServer& server, Fault fault, const QString& path, const QByteArray& body)
{
    switch (fault) {
    case Fault::None:
        server.setFile(path, body);
        break;
    case Fault::CutOff:
        server.dropMidBody(path, body + QByteArray(4000, '*'));
        break;
    case Fault::NeverAnswers:
        server.stall(path);
        break;
    case Fault::Status500:
        server.answerStatus(path, 500);
        break;
    case Fault::Status404:
        server.answerStatus(path, 404);
        break;
    case Fault::RedirectLoop:
        server.redirect(path, path);
        break;
    case Fault::TooLarge:
        server.setFile(path, QByteArray(SizeLimit + 1, 'n'));
        break;
    case Fault::NotPicture:
        server.setFile(path, QByteArray("<html>no picture</html>"));
        break;
    }
}

QByteArray listOf(const QString& prefix, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << prefix + QString::number(i);
    return names.join(QLatin1Char('*')).toLatin1();
}

qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

void report(const char* when, int done)
{
    std::printf("%-6s rounds %5d  VmHWM %7lld kB  VmRSS %7lld kB  fds %3d\n", when, done,
                statusKb("VmHWM:"), statusKb("VmRSS:"), openDescriptors());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    const quint32 seed = argc > 2 ? QString::fromLocal8Bit(argv[2]).toUInt() : 1;
    if (rounds <= 0) {
        std::fprintf(stderr, "usage: drapello_soak [operations>0] [seed]\n");
        return 2;
    }
    QRandomGenerator random(seed);

    HttpTestServer server;
    // The program as it starts, on a profile of its own, downloading from the server.
    TestProfile profile;
    profile.setSetting(QStringLiteral("base"), server.baseUrl());
    profile.setSetting(QStringLiteral("updatelist"), QStringLiteral("0"));
    profile.setSetting(QStringLiteral("algedaan"), QStringLiteral("1"));
    profile.services.fetcher = std::make_unique<NetworkFetcher>(IdleTimeoutMs, SizeLimit);
    DrapelloApplication drapello(std::move(profile.services));
    drapello.start(QString());
    SkinController& controller = drapello.controller();
    const auto waitForPass = [&controller](int timeoutMs) {
        return QTest::qWaitFor(
            [&controller] {
                return !controller.loadingPending() &&
                       controller.task() == SkinController::Task::None;
            },
            timeoutMs);
    };
    const QByteArray picture = makeGif(2);
    for (int i = 0; i < PreviewSkins; ++i)
        server.setFile(QStringLiteral("/Soak/p%1.gif").arg(i), picture);
    waitForPass(30000);
    QAction* refresh = drapello.window().findChild<QAction*>(QStringLiteral("refreshItem"));
    int nodes = 0;
    QObject::connect(&controller.catalogue(), &CatalogueLoader::catalogueCleared, &controller,
                     [&nodes] { nodes = 1; });
    QObject::connect(&controller.catalogue(), &CatalogueLoader::categoryAdded, &controller,
                     [&nodes] { ++nodes; });
    QObject::connect(
        &controller.catalogue(), &CatalogueLoader::skinsAdded, &controller,
        [&nodes](const QString&, const QStringList& names) { nodes += int(names.size()); });

    const QString listDownloaded = QStringLiteral("Skinlijst succesvol gedownload!");
    const QString loaded = QStringLiteral("Geladen");
    const QString tempDat = profile.cacheFolder() + QStringLiteral("/temp.dat");
    int refreshes = 0, previews = 0, refreshFailures = 0, previewFailures = 0, hung = 0;
    qint64 requests = 0;
    int faults[FaultCount] = {};

    std::printf("soak: %d refreshes and %d previews, seed %u\n", rounds, rounds, seed);
    report("start", 0);
    const int fdsAtStart = openDescriptors();
    for (int round = 1; round <= rounds; ++round) {
        // Refresh: every list may meet its own fault.
        const Fault top = drawFault(random);
        ++faults[int(top)];
        play(server, top, QStringLiteral("/voruzide.txt"),
             Categories.join(QLatin1Char('*')).toLatin1());
        for (const QString& category : Categories) {
            const Fault fault = drawFault(random);
            ++faults[int(fault)];
            play(server, fault, QLatin1Char('/') + category + QStringLiteral(".txt"),
                 listOf(category.toLower(), SkinsPerCategory));
        }
        refresh->trigger();
        if (!waitForPass(60000))
            ++hung;
        ++refreshes;
        if (controller.report().status() != listDownloaded ||
            nodes != 1 + Categories.size() * (1 + SkinsPerCategory))
            ++refreshFailures;

        // Preview of one skin of a category of its own on the server.
        const QString skin = QStringLiteral("p%1").arg(random.bounded(PreviewSkins));
        const Fault fault = drawFault(random);
        ++faults[int(fault)];
        play(server, fault, QStringLiteral("/Soak/") + skin + QStringLiteral(".gif"), picture);
        QFile::remove(tempDat); // so a failed download shows as one
        controller.previewSkin(
            CatalogueNode{CatalogueNode::Kind::Skin, skin, QStringLiteral(" Soak")});
        if (!QTest::qWaitFor([&] { return controller.task() == SkinController::Task::None; },
                             120000))
            ++hung;
        ++previews;
        QFile file(tempDat);
        const bool fresh = file.open(QIODevice::ReadOnly) && file.readAll() == picture;
        if (!fresh || controller.report().status() != loaded)
            ++previewFailures;

        requests += server.requestCount();
        server.resetCounts(); // the server's own record would grow otherwise
        if (round * 4 % rounds == 0 && round < rounds)
            report(round * 4 / rounds == 1   ? "25%"
                   : round * 4 / rounds == 2 ? "50%"
                                             : "75%",
                   round);
    }
    report("end", rounds);
    const int fdsAtEnd = openDescriptors();

    std::printf("operations: %d refreshes, %d previews; not completed: %d refreshes, %d previews; "
                "passes that hung: %d\n",
                refreshes, previews, refreshFailures, previewFailures, hung);
    std::printf("downloads by fault:");
    for (int i = 0; i < FaultCount; ++i)
        std::printf(" %s %d%s", FaultNames[i], faults[i], i + 1 < FaultCount ? "," : "\n");
    std::printf("server requests: %lld\n", requests);
    std::printf("descriptors: %d at start, %d at end\n", fdsAtStart, fdsAtEnd);
    return hung == 0 ? 0 : 1;
}
