#include "bench_support.h"

#include "core/catalogue/list_format.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTreeWidget>
#include <algorithm>
#include <stdexcept>

namespace bench {

int Catalogue::nodeCount() const
{
    int n = 1 + static_cast<int>(categories.size());
    for (const QStringList& list : skins)
        n += static_cast<int>(list.size());
    return n;
}

Catalogue makeCatalogue(int count, int perCategory, const QString& prefix)
{
    // Plain concatenation: the bare window builds these too, and should spend little on them.
    auto padded = [](int n, int width) {
        QString text = QString::number(n);
        return QString(width - text.size(), QLatin1Char('0')) + text;
    };
    Catalogue c;
    for (int i = 0; i < count; ++i) {
        const QString number = padded(i, 3);
        c.categories << prefix + QStringLiteral("Cat") + number;
        const QString stem = prefix + QStringLiteral("Skin") + number + QLatin1Char('-');
        QStringList names;
        names.reserve(perCategory);
        for (int j = 0; j < perCategory; ++j)
            names << stem + padded(j, 5);
        c.skins << names;
    }
    return c;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void writeServerFiles(const Catalogue& catalogue, const QString& folder)
{
    writeFile(folder + QStringLiteral("/voruzide.txt"),
              listformat::encodeList(catalogue.categories));
    for (int i = 0; i < catalogue.categories.size(); ++i)
        writeFile(folder + QLatin1Char('/') + catalogue.categories[i] + QStringLiteral(".txt"),
                  listformat::encodeList(catalogue.skins[i]));
}

void writeCacheFiles(const Catalogue& catalogue, const QString& cacheFolder)
{
    writeFile(cacheFolder + QStringLiteral("/voruzide.tmp"),
              listformat::encodeList(catalogue.categories));
    for (int i = 0; i < catalogue.categories.size(); ++i)
        writeFile(cacheFolder + QLatin1Char('/') + catalogue.categories[i] + QStringLiteral(".tmp"),
                  listformat::encodeList(catalogue.skins[i]));
}

QStringList listUrls(const Catalogue& catalogue, const QString& baseUrl)
{
    QStringList urls{baseUrl + QStringLiteral("voruzide.txt")};
    for (const QString& name : catalogue.categories)
        urls << baseUrl + name + QStringLiteral(".txt");
    return urls;
}

QByteArray uncompressedGif(int width, int height)
{
    QByteArray out("GIF89a");
    auto word = [&out](int v) {
        out += char(v & 0xFF);
        out += char((v >> 8) & 0xFF);
    };
    word(width);
    word(height);
    out += char(0xF7); // global table of 256 colours
    out += char(0);
    out += char(0);
    QRandomGenerator random(7);
    for (int i = 0; i < 256 * 3; ++i)
        out += char(random.bounded(256));
    out += char(0x2C);
    word(0);
    word(0);
    word(width);
    word(height);
    out += char(0);
    out += char(8); // minimum code size

    // 9-bit codes; a clear code before the table would grow to 10 bits keeps them 9 bits.
    QByteArray data;
    quint32 bits = 0;
    int used = 0;
    auto code = [&](int c) {
        bits |= quint32(c) << used;
        used += 9;
        while (used >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            used -= 8;
        }
    };
    const qint64 pixels = qint64(width) * height;
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 250 == 0)
            code(256);
        code(int(random.bounded(256)));
    }
    code(257);
    if (used > 0)
        data += char(bits & 0xFF);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out += char(block.size());
        out += block;
    }
    out += char(0);
    out += char(0x3B);
    return out;
}

void fillBareTree(QTreeWidget* tree, const Catalogue& catalogue)
{
    QHash<QString, QTreeWidgetItem*> keys;
    auto* root = new QTreeWidgetItem(tree, QStringList(QStringLiteral(" VOR Uzide")));
    keys.insert(QStringLiteral("voruzide"), root);
    root->setExpanded(true);
    for (int i = 0; i < catalogue.categories.size(); ++i) {
        const QString& name = catalogue.categories[i];
        auto* category = new QTreeWidgetItem(root, QStringList(QLatin1Char(' ') + name));
        keys.insert(name, category);
        for (const QString& skin : catalogue.skins[i])
            keys.insert(skin, new QTreeWidgetItem(category, QStringList(skin)));
    }
}

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

qint64 procStatusKb(qint64 pid, const char* field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 procCpuTicks(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = file.readAll();
    // The command name may hold blanks; the fields after it are counted from its closing ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong(); // utime, stime
}

} // namespace bench
