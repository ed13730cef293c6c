#pragma once

#include <QSaveFile>
#include <QString>

// Writes a file beside its target and puts it in place only once every byte is on the disk:
// each write, the flush to the disk and the size on disk are checked before the rename. Until
// then, and after any failure, the target stays as it was. QSaveFile alone is not enough: its
// buffered last writes are flushed inside commit(), whose failure it does not report.
class SafeFile {
public:
    enum class Failure { None, DiskFull, Denied, Other };

    explicit SafeFile(const QString& target) : file_(target) {}
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Puts the file in place; false (and the target unchanged) when any step failed.
    bool commit();
    // What the first failure was: a full disk or quota, a refusal, or anything else.
    Failure failure() const { return failure_; }

private:
    bool fail(Failure failure);

    QSaveFile file_;
    qint64 written_ = 0;
    Failure failure_ = Failure::None;
};
