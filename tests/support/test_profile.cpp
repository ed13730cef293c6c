#include "support/test_profile.h"

#include "core/install/messenger_folders.h"
#include "core/skin_controller.h"
#include "platform/linux/ini_settings_store.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>

namespace {
// Each service of the fake world; the Services own one apiece.
class FakeService : public UrlFetcher,
                    public RegistryReader,
                    public WindowService,
                    public ShellService,
                    public DialogService {
public:
    explicit FakeService(FakeWorld& world) : world_(world) {}
    bool fetch(const QString& url, const QString& target) override
    {
        world_.asked << url;
        const bool found = world_.files.contains(url);
        if (found)
            writeFileBytes(target, world_.files.value(url));
        return found;
    }
    void cancel() override {}
    QString readValue(const QString& valuePath) override
    {
        return world_.registry.value(valuePath);
    }
    bool closeWindowOfClass(const QString& windowClass) override
    {
        world_.actions << windowClass;
        return false;
    }
    bool open(const QString& target) override
    {
        world_.actions << QStringLiteral("open ") + target;
        return true;
    }
    void message(const QString& text, const QString& title, MessageIcon) override
    {
        world_.messages << title + QStringLiteral(": ") + text;
    }
    QString openFile(const QString&) override
    {
        return world_.nextFiles.isEmpty() ? QString() : world_.nextFiles.takeFirst();
    }

private:
    FakeWorld& world_;
};
} // namespace

TestProfile::TestProfile()
{
    QDir().mkpath(cacheFolder());
    QDir().mkpath(messengerFolder());
    world.registry.insert(MessengerFolders::valuePaths().first(),
                          messengerFolder() + QLatin1Char('\\'));
    services.settings = std::make_unique<IniSettingsStore>(path(QStringLiteral("config")));
    services.registry = std::make_unique<FakeService>(world);
    services.fetcher = std::make_unique<FakeService>(world);
    services.windows = std::make_unique<FakeService>(world);
    services.shell = std::make_unique<FakeService>(world);
    services.dialogs = std::make_unique<FakeService>(world);
    services.programFolder = programFolder();
    services.dataFolder = path(QStringLiteral("data"));
    setSetting(QStringLiteral("base"), server());
}

QString TestProfile::setting(const QString& key) const
{
    return QSettings(path(QStringLiteral("config/KorvaneSoftware.ini")), QSettings::IniFormat)
        .value(QStringLiteral("Drapello/") + key, QStringLiteral("<missing>"))
        .toString();
}

void TestProfile::setSetting(const QString& key, const QString& value)
{
    QSettings(path(QStringLiteral("config/KorvaneSoftware.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("Drapello/") + key, value);
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

QByteArray makePicture(const char* format, int width, int height, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        qFatal("cannot make a %s picture", format);
    return bytes;
}

namespace {
void appendWord(QByteArray& out, int value)
{
    out.append(static_cast<char>(value & 0xFF)).append(static_cast<char>((value >> 8) & 0xFF));
}

// LZW with a clear code before every second pixel keeps every code 3 bits wide, which is all a
// tiny test picture needs.
QByteArray gifImageData(int pixels, int colourIndex)
{
    QByteArray data;
    quint32 bitBuffer = 0;
    int bits = 0;
    auto put = [&](int code) {
        bitBuffer |= static_cast<quint32>(code) << bits;
        for (bits += 3; bits >= 8; bits -= 8, bitBuffer >>= 8)
            data.append(static_cast<char>(bitBuffer & 0xFF));
    };
    for (int i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            put(4); // clear
        put(colourIndex);
    }
    put(5); // end of information
    if (bits > 0)
        data.append(static_cast<char>(bitBuffer & 0xFF));
    QByteArray blocks(1, char(2)); // minimum code size
    for (int at = 0; at < data.size(); at += 255)
        blocks.append(static_cast<char>(data.mid(at, 255).size())).append(data.mid(at, 255));
    return blocks.append(char(0));
}
} // namespace

QByteArray makeGif(int frames, int canvas, int delay)
{
    QByteArray gif("GIF89a");
    appendWord(gif, qMax(canvas, 8));
    appendWord(gif, qMax(canvas, 8));
    gif.append(QByteArray::fromHex("f10000ff000000ff000000ffffffff")); // 4 colours
    if (frames > 1)                                                    // loop for ever
        gif.append(QByteArray::fromHex("21ff0b") + QByteArray("NETSCAPE2.0") +
                   QByteArray::fromHex("0301000000"));
    for (int frame = 0; frame < frames; ++frame) {
        gif.append(QByteArray::fromHex("21f90404"));
        appendWord(gif, delay);
        gif.append(QByteArray::fromHex("00002c000000000800080000"));
        gif.append(gifImageData(64, frame % 4));
    }
    return gif.append(char(0x3B));
}

ReportLog::ReportLog(SkinController& controller)
{
    const auto add = [this](const QString& line) { lines << line; };
    QObject::connect(
        &controller, &SkinController::statusChanged, &controller,
        [this, add](const QString& text) { add(QStringLiteral("status ") + (status = text)); });
    QObject::connect(&controller, &SkinController::progressChanged, &controller,
                     [add](int value) { add(QStringLiteral("progress %1").arg(value)); });
    QObject::connect(
        &controller, &SkinController::previewChanged, &controller, [add](const Picture& p) {
            add(QStringLiteral("preview %1x%2").arg(p.first.width()).arg(p.first.height()));
        });
    QObject::connect(&controller, &SkinController::installAvailableChanged, &controller,
                     [add](bool on) { add(QStringLiteral("install %1").arg(int(on))); });
    CatalogueLoader* loader = &controller.catalogue();
    QObject::connect(
        loader, &CatalogueLoader::catalogueCleared, loader,
        [this](const QString&, const QString& text) { root_ = text, categories_.clear(); });
    QObject::connect(loader, &CatalogueLoader::categoryAdded, loader,
                     [this](const QString&, const QString& text) {
                         categories_.append({text, {}});
                     });
    QObject::connect(
        loader, &CatalogueLoader::skinsAdded, loader,
        [this](const QString&, const QStringList& names) { categories_.last().second << names; });
}

int ReportLog::nodes() const
{
    int count = root_.isNull() ? 0 : 1;
    for (const auto& category : categories_)
        count += 1 + int(category.second.size());
    return count;
}

QString ReportLog::shape() const
{
    QStringList parts;
    for (const auto& [category, skins] : categories_)
        parts << (skins.isEmpty() ? category
                                  : category + QLatin1Char('(') + skins.join(QLatin1Char(',')) +
                                        QLatin1Char(')'));
    return parts.isEmpty()
               ? root_
               : root_ + QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
}
