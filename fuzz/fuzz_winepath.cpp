// Windows paths mapped into a fixed Wine prefix: the result must stay inside a drive's folder.
#include "platform/linux/wine_registry.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

namespace {
QString prefix;
QString driveC;
QString driveD;

bool inside(const QString& path, const QString& root)
{
    const QString clean = QDir::cleanPath(path);
    return clean == root || clean.startsWith(root + QLatin1Char('/'));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // One small fixed prefix, made again when missing; nothing writes to it.
    prefix = QStringLiteral("/tmp/drapello-fuzz-wine");
    driveC = prefix + QStringLiteral("/drive_c");
    driveD = prefix + QStringLiteral("/drive_d");
    QDir().mkpath(driveC + QStringLiteral("/Program Files/MSN Messenger"));
    QDir().mkpath(driveC + QStringLiteral("/windows/system32"));
    QDir().mkpath(driveD + QStringLiteral("/Data"));
    QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
    QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
    QFile::link(driveD, prefix + QStringLiteral("/dosdevices/d:"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString windowsPath =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString local = winePathToLocal(prefix, windowsPath);
    if (local.isEmpty())
        return 0;
    if (!inside(local, driveC) && !inside(local, driveD))
        __builtin_trap(); // a path never leaves its drive
    return 0;
}
