#include "support/test_platform.h"

#include "platform/linux/ini_settings_store.h"
#include "platform/null_services.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTimer>
#include <QWidget>

void RecordingDialogs::message(QWidget*, const QString& text, const QString& title,
                               MessageIcon icon)
{
    messages.push_back({text, title, icon});
}

QString RecordingDialogs::openFile(QWidget*, const QString& filter)
{
    filtersAsked << filter;
    return nextFiles.isEmpty() ? QString() : nextFiles.takeFirst();
}

bool RecordingShell::open(QWidget*, const QString& target)
{
    opened << target;
    if (throws)
        throw std::runtime_error("shell refused");
    return answer;
}

bool RecordingWindows::closeWindowOfClass(const QString& windowClass)
{
    asked << windowClass;
    const int at = present.indexOf(windowClass);
    if (at < 0)
        return false;
    present.removeAt(at);
    if (onClose)
        onClose();
    closed << windowClass;
    return true;
}

TestProfile::TestProfile()
{
    QDir().mkpath(programFolder());
    QDir().mkpath(configFolder());
}

Platform TestProfile::makePlatform()
{
    Platform p;
    p.settings = std::make_unique<IniSettingsStore>(configFolder());
    p.registry = std::make_unique<NoRegistry>();
    p.fetcher = std::make_unique<NoFetcher>();
    auto windowsFake = std::make_unique<RecordingWindows>();
    windows = windowsFake.get();
    p.windows = std::move(windowsFake);
    auto shellFake = std::make_unique<RecordingShell>();
    shell = shellFake.get();
    p.shell = std::move(shellFake);
    auto dialogsFake = std::make_unique<RecordingDialogs>();
    dialogs = dialogsFake.get();
    p.dialogs = std::move(dialogsFake);
    p.instance = nullptr;
    p.programFolder = programFolder();
    p.dataFolder = dataFolder();
    return p;
}

QString TestProfile::settingsFile() const
{
    return configFolder() + QStringLiteral("/KorvaneSoftware.ini");
}

QString TestProfile::setting(const QString& key, const QString& missing) const
{
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Drapello"));
    return ini.contains(key) ? ini.value(key).toString() : missing;
}

void TestProfile::setSetting(const QString& key, const QString& value) const
{
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Drapello"));
    ini.setValue(key, value);
    ini.endGroup();
    ini.sync();
}

QString TestProfile::writeFile(const QString& relativePath, const QByteArray& bytes) const
{
    return writeFileBytes(relativePath.startsWith(QLatin1Char('/'))
                              ? relativePath
                              : dir_.path() + QLatin1Char('/') + relativePath,
                          bytes);
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

bool shownOnce(const RecordingDialogs& dialogs, const QString& text, const QString& title,
               MessageIcon icon)
{
    if (dialogs.messages.size() == 1 && dialogs.messages.front().text == text &&
        dialogs.messages.front().title == title && dialogs.messages.front().icon == icon)
        return true;
    for (const ShownMessage& m : dialogs.messages)
        qWarning("shown: \"%s\" / \"%s\" / %d", qPrintable(m.text), qPrintable(m.title),
                 int(m.icon));
    return false;
}

void whileModal(QAction* action, const std::function<void(QWidget*)>& inside)
{
    QTimer::singleShot(0, action, [inside] { inside(QApplication::activeModalWidget()); });
    QTimer::singleShot(10000, action, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    action->trigger();
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
// LZW with a clear code before every second pixel keeps every code 3 bits wide, which is all a
// tiny test picture needs.
QByteArray gifImageData(int width, int height, int colourIndex)
{
    QByteArray data;
    quint32 bitBuffer = 0;
    int bits = 0;
    auto put = [&](int code) {
        bitBuffer |= static_cast<quint32>(code) << bits;
        bits += 3;
        while (bits >= 8) {
            data.append(static_cast<char>(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bits -= 8;
        }
    };
    const int pixels = width * height;
    for (int i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            put(4); // clear
        put(colourIndex);
    }
    put(5); // end of information
    if (bits > 0)
        data.append(static_cast<char>(bitBuffer & 0xFF));

    QByteArray blocks;
    blocks.append(char(2)); // minimum code size
    for (int at = 0; at < data.size(); at += 255) {
        const QByteArray chunk = data.mid(at, 255);
        blocks.append(static_cast<char>(chunk.size()));
        blocks.append(chunk);
    }
    blocks.append(char(0));
    return blocks;
}

void appendWord(QByteArray& out, int value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}
} // namespace

QByteArray makeGif(int frames, int canvas, int delay)
{
    const int width = 8;
    const int height = 8;
    QByteArray gif("GIF89a");
    appendWord(gif, qMax(canvas, width));
    appendWord(gif, qMax(canvas, height));
    gif.append(char(0xF1)); // global colour table of 4 entries
    gif.append(char(0));
    gif.append(char(0));
    gif.append(QByteArray::fromHex("ff0000"
                                   "00ff00"
                                   "0000ff"
                                   "ffffff"));
    if (frames > 1) // loop for ever
        gif.append(QByteArray::fromHex("21ff0b") + QByteArray("NETSCAPE2.0") +
                   QByteArray::fromHex("03010000"
                                       "00"));
    for (int frame = 0; frame < frames; ++frame) {
        gif.append(QByteArray::fromHex("21f904"
                                       "04"));
        appendWord(gif, delay);
        gif.append(QByteArray::fromHex("00"
                                       "00"));
        gif.append(char(0x2C));
        appendWord(gif, 0);
        appendWord(gif, 0);
        appendWord(gif, width);
        appendWord(gif, height);
        gif.append(char(0));
        gif.append(gifImageData(width, height, frame % 4));
    }
    gif.append(char(0x3B));
    return gif;
}
