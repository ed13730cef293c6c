#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class QTreeWidget;

namespace bench {

// A generated catalogue: category names and, for each, its skin names (unique across all).
struct Catalogue {
    QStringList categories;
    QVector<QStringList> skins;
    int nodeCount() const; // root, categories and skins
};

// count categories of perCategory skins each; prefix keeps the names of two catalogues apart.
Catalogue makeCatalogue(int count, int perCategory, const QString& prefix);

// The server's files (voruzide.txt, <name>.txt) into folder.
void writeServerFiles(const Catalogue& catalogue, const QString& folder);
// The copies the loading pass keeps (voruzide.tmp, <name>.tmp) into a Cache folder.
void writeCacheFiles(const Catalogue& catalogue, const QString& cacheFolder);

// The list URLs of a catalogue, in the order the loading pass fetches them.
QStringList listUrls(const Catalogue& catalogue, const QString& baseUrl);

// A GIF of random pixels coded without compression: about 1.12 bytes per pixel.
QByteArray uncompressedGif(int width, int height);

// Fills tree the plain way: a root, its categories (collapsed) and their skins, each item
// created under its parent, with a key hash as any keyed tree needs. The root is expanded.
void fillBareTree(QTreeWidget* tree, const Catalogue& catalogue);

double median(QVector<double> values);

// Fields of /proc/<pid>/status in KiB (VmHWM, VmRSS); -1 when unreadable.
qint64 procStatusKb(qint64 pid, const char* field);
// utime + stime of /proc/<pid>/stat in clock ticks; -1 when unreadable.
qint64 procCpuTicks(qint64 pid);

void writeFile(const QString& path, const QByteArray& bytes);

} // namespace bench
