#include "files/safe_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <windows.h>

namespace {
SafeFile::Failure failureOf(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return SafeFile::Failure::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return SafeFile::Failure::Denied;
    default:
        return SafeFile::Failure::Other;
    }
}

const wchar_t* wide(const QString& path)
{
    return reinterpret_cast<const wchar_t*>(path.utf16());
}
} // namespace

SafeFile::~SafeFile()
{
    if (scratchHandle_)
        fail(Failure::Other);
}

bool SafeFile::fail(Failure failure)
{
    if (failure_ == Failure::None)
        failure_ = failure;
    if (scratchHandle_) {
        CloseHandle(scratchHandle_);
        scratchHandle_ = nullptr;
    }
    if (!scratchPath_.isEmpty()) {
        DeleteFileW(wide(scratchPath_));
        scratchPath_.clear();
    }
    return false;
}

// The file the bytes go to: a link's target when links are followed, else the name itself.
QString SafeFile::destination() const
{
    const QFileInfo info(file_.fileName());
    if (links_ == Links::Follow && info.isSymLink())
        return QDir::toNativeSeparators(info.symLinkTarget());
    return QDir::toNativeSeparators(file_.fileName());
}

bool SafeFile::open()
{
    const QString target = destination();
    // A fresh name beside the target, so the final rename stays on one volume.
    for (int attempt = 0; attempt < 16 && !scratchHandle_; ++attempt) {
        const QString candidate =
            target + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                   QLatin1Char('0'));
        HANDLE handle = CreateFileW(wide(candidate), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            scratchHandle_ = handle;
            scratchPath_ = candidate;
        } else if (GetLastError() != ERROR_FILE_EXISTS) {
            return fail(failureOf(GetLastError()));
        }
    }
    return scratchHandle_ != nullptr || fail(Failure::Other);
}

bool SafeFile::write(const char* data, qint64 size)
{
    if (failure_ != Failure::None || !scratchHandle_)
        return false;
    while (size > 0) {
        const DWORD chunk = DWORD(qMin<qint64>(size, 1 << 30));
        DWORD done = 0;
        if (!WriteFile(scratchHandle_, data, chunk, &done, nullptr))
            return fail(failureOf(GetLastError()));
        if (done == 0)
            return fail(Failure::Other);
        data += done;
        size -= done;
        written_ += done;
    }
    return true;
}

bool SafeFile::commit()
{
    if (failure_ != Failure::None || !scratchHandle_)
        return false;
    // Some volumes report a full disk only when the data goes out.
    if (durability_ == Durability::Flushed && !FlushFileBuffers(scratchHandle_))
        return fail(failureOf(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(scratchHandle_, &size))
        return fail(failureOf(GetLastError()));
    if (size.QuadPart != written_)
        return fail(Failure::Other);
    CloseHandle(scratchHandle_);
    scratchHandle_ = nullptr;
    // Write-through: the rename itself is on the disk before we say the file is in place.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING |
                        (durability_ == Durability::Flushed ? MOVEFILE_WRITE_THROUGH : 0);
    if (!MoveFileExW(wide(scratchPath_), wide(destination()), flags))
        return fail(failureOf(GetLastError()));
    scratchPath_.clear();
    return true;
}
