#include "files/safe_file.h"

bool SafeFile::fail(Failure failure)
{
    if (failure_ == Failure::None)
        failure_ = failure;
    file_.cancelWriting();
    return false;
}

namespace {
SafeFile::Failure failureOf(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return SafeFile::Failure::DiskFull;
    case QFileDevice::PermissionsError:
        return SafeFile::Failure::Denied;
    default:
        return SafeFile::Failure::Other;
    }
}
} // namespace

bool SafeFile::open()
{
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    return fail(failureOf(file_));
}

// Unbuffered: every write reaches the file at once and reports its own failure.
bool SafeFile::write(const char* data, qint64 size)
{
    if (failure_ != Failure::None || !file_.isOpen())
        return false;
    if (file_.write(data, size) != size)
        return fail(failureOf(file_));
    written_ += size;
    return true;
}

bool SafeFile::commit()
{
    if (failure_ != Failure::None || !file_.isOpen())
        return false;
    if (!file_.flush())
        return fail(failureOf(file_));
    if (file_.size() != written_)
        return fail(Failure::Other);
    if (!file_.commit())
        return fail(failureOf(file_));
    return true;
}
