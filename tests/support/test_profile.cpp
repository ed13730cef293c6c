#include "support/test_profile.h"

#include "core/install/messenger_folders.h"
#ifndef Q_OS_WIN
#include "platform/linux/ini_settings_store.h"
#endif

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTimer>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {
// Each service of the fake world; the Services own one apiece.
class FakeService : public UrlFetcher,
                    public RegistryReader,
                    public WindowService,
                    public ShellService,
                    public DialogService {
public:
    explicit FakeService(FakeWorld& world) : world_(world) {}
    // As the real fetcher: the outcome comes from the event loop, and a stalled URL only ends
    // when it is cancelled.
    FetchId fetch(const QString& url, const QString& target, qint64 maxBytes, QObject* receiver,
                  UrlFetcher::Finished finished) override
    {
        if (!deadRun_) // a run given up on asks the server for nothing more
            world_.asked << url;
        const FetchId id = ++fetches_;
        running_.insert(id, finished);
        auto end = [this, id, url, target, maxBytes] {
            const auto found = running_.constFind(id);
            if (found == running_.constEnd())
                return;
            const UrlFetcher::Finished finished = found.value();
            running_.remove(id);
            const bool ok = !deadRun_ && world_.files.contains(url) &&
                            world_.files.value(url).size() <= maxBytes;
            if (ok)
                writeFileBytes(target, world_.files.value(url));
            finished(ok);
        };
        if (!world_.stalled.contains(url))
            QTimer::singleShot(0, receiver, end);
        return id;
    }
    void fetchAhead(const QStringList& urls, qint64) override { world_.ahead << urls; }
    void beginRun() override { inRun_ = true, deadRun_ = false; }
    void endRun() override { inRun_ = false, deadRun_ = false; }
    void cancel(FetchId id) override
    {
        if (!running_.contains(id))
            return;
        deadRun_ = inRun_;
        const UrlFetcher::Finished finished = running_.take(id);
        QTimer::singleShot(0, [finished] { finished(false); });
    }
    void cancelAll() override { running_.clear(); }
    QString readValue(const QString& path) override { return world_.registry.value(path); }
    void closeWindows(const QStringList& classes, QObject* receiver,
                      WindowService::Finished finished) override
    {
        world_.actions << classes;
        QTimer::singleShot(0, receiver, [finished] { finished({}); });
    }
    bool open(const QString& url) override { return world_.actions << "open " + url, true; }
    void message(const QString& text, const QString& title, MessageIcon) override
    {
        world_.messages << title + ": " + text;
    }
    void openFile(const QString& filter, QObject* receiver, Chosen chosen) override
    {
        world_.messages << "file dialog: " + filter;
        const QString file = world_.nextFiles.isEmpty() ? QString() : world_.nextFiles.takeFirst();
        QTimer::singleShot(0, receiver, [chosen, file] { chosen(file); });
    }
    void ask(const QString& question, const QString& title, QObject* receiver,
             Answered answered) override
    {
        world_.messages << "question: " + title + ": " + question;
        const bool yes = !world_.answers.isEmpty() && world_.answers.takeFirst();
        QTimer::singleShot(0, receiver, [answered, yes] { answered(yes); });
    }

private:
    FakeWorld& world_;
    FetchId fetches_ = 0;
    bool inRun_ = false;
    bool deadRun_ = false;
    QHash<FetchId, UrlFetcher::Finished> running_;
};

#ifdef Q_OS_WIN
// The Windows program keeps its settings in the registry, which a test run shares with every
// other: the core tests keep theirs in the profile's INI file, through QSettings.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(const QString& folder) : folder_(folder) {}
    QString getSetting(const QString& app, const QString& section, const QString& key,
                       const QString& defaultValue) override
    {
        return QSettings(folder_ + '/' + app + ".ini", QSettings::IniFormat)
            .value(section + '/' + key, defaultValue)
            .toString();
    }
    bool saveSetting(const QString& app, const QString& section, const QString& key,
                     const QString& value) override
    {
        QSettings file(folder_ + '/' + app + ".ini", QSettings::IniFormat);
        file.setValue(section + '/' + key, value);
        file.sync();
        return file.status() == QSettings::NoError;
    }

private:
    QString folder_;
};
#endif
} // namespace

TestProfile::TestProfile()
{
    QDir().mkpath(cacheFolder());
    QDir().mkpath(messengerFolder());
    world.registry.insert(MessengerFolders::valuePaths().first(),
                          messengerFolder() + QLatin1Char('\\'));
    services.settings = std::make_unique<IniSettingsStore>(path("config"));
    services.registry = std::make_unique<FakeService>(world);
    services.fetcher = std::make_unique<FakeService>(world);
    services.windows = std::make_unique<FakeService>(world);
    services.shell = std::make_unique<FakeService>(world);
    services.dialogs = std::make_unique<FakeService>(world);
    services.programFolder = programFolder();
    services.dataFolder = path("data");
}

QByteArray readFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QMap<QString, QByteArray> fileBytesIn(const QString& folder, const QString& filter)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList({filter}, QDir::Files | QDir::Hidden))
        files.insert(name, readFileBytes(folder + '/' + name));
    return files;
}

QString languageFile(const QString& path, int lines, const QHash<int, QByteArray>& given)
{
    QByteArray text;
    for (int line = 1; line <= lines; ++line)
        text += given.value(line, 'L' + QByteArray::number(line)) + "\r\n";
    return writeFileBytes(path, text);
}

QByteArray makePicture(const char* format, int width, int height, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        qFatal("cannot make a %s picture", format);
    return buffer.data();
}

QByteArray makeGif(int frames, int canvas, int delay)
{
    const auto word = [](int value) {
        return QByteArray(1, char(value & 0xFF)).append(char((value >> 8) & 0xFF));
    };
    QByteArray gif = "GIF89a" + word(qMax(canvas, 8)) + word(qMax(canvas, 8));
    gif.append(QByteArray::fromHex("f10000ff000000ff000000ffffffff")); // 4 colours
    if (frames > 1)                                                    // loop for ever
        gif.append(QByteArray::fromHex("21ff0b4e45545343415045322e300301000000"));
    for (int frame = 0; frame < frames; ++frame) {
        gif.append(QByteArray::fromHex("21f90404") + word(delay));
        gif.append(QByteArray::fromHex("00002c000000000800080000"));
        // LZW with a clear code (4) before every pixel keeps every code 3 bits wide, which is
        // all a tiny test picture needs; 5 ends the data.
        QByteArray data(49, 0); // 129 codes, packed from the lowest bit up
        for (int bit = 0; bit < 129 * 3; ++bit) {
            const int code = bit >= 128 * 3 ? 5 : bit / 3 % 2 ? frame % 4 : 4;
            data[bit / 8] = char(data[bit / 8] | ((code >> bit % 3) & 1) << bit % 8);
        }
        gif.append(char(2)).append(char(data.size())).append(data).append(char(0));
    }
    return gif.append(char(0x3B));
}

ReportLog::ReportLog(SkinController& controller)
{
    StatusReport* report = &controller.report();
    QObject::connect(report, &StatusReport::statusChanged, report,
                     [this](const QString& text) { lines << "status " + (status = text); });
    QObject::connect(report, &StatusReport::progressChanged, report,
                     [this](int value) { lines << QString("progress %1").arg(value); });
    QObject::connect(report, &StatusReport::busyChanged, report,
                     [this](bool on) { lines << QString("busy %1").arg(int(on)); });
    QObject::connect(report, &StatusReport::previewChanged, report, [this](const Picture& p) {
        lines << QString("preview %1x%2").arg(p.first.width()).arg(p.first.height());
    });
    QObject::connect(report, &StatusReport::installAvailableChanged, report,
                     [this](bool on) { lines << QString("install %1").arg(int(on)); });
    CatalogueLoader* loader = &controller.catalogue();
    QObject::connect(loader, &CatalogueLoader::catalogueCleared, loader,
                     [this](const QString&, const QString& text) {
                         lines << "root" + text, root_ = text, categories_.clear();
                     });
    QObject::connect(loader, &CatalogueLoader::categoryAdded, loader,
                     [this](const QString&, const QString& text) {
                         lines << "category" + text, categories_.append({text, {}});
                     });
    QObject::connect(loader, &CatalogueLoader::skinsAdded, loader,
                     [this](const QString&, const QStringList& names) {
                         lines << "skins " + names.join(','), categories_.last().second << names;
                     });
}

bool makeFifo(const QString& path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}
