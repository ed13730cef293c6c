#pragma once

#include <QSaveFile>
#include <QString>
#include <QTemporaryFile>
#include <memory>

// Writes a file beside its target and puts it in place only once every byte is on the disk:
// each write, the flush to the disk and the size on disk are checked before the rename. Until
// then, and after any failure, the target stays as it was. QSaveFile alone is not enough: its
// buffered last writes are flushed inside commit(), whose failure it does not report.
class SafeFile {
public:
    enum class Failure { None, DiskFull, Denied, Other };
    // Unflushed: still never half a file under the target's name, but a crash may leave the
    // old file or an empty one. For copies that are fetched again anyway, where waiting for the
    // disk costs more than it saves.
    enum class Durability { Flushed, Unflushed };
    // Follow: a symbolic link at the target has its target written, as an editor would (on
    // Linux an unflushed file replaces the link all the same). Replace: the link itself is
    // replaced and what it points to is never written.
    enum class Links { Follow, Replace };

    explicit SafeFile(const QString& target, Durability durability = Durability::Flushed,
                      Links links = Links::Follow)
        : file_(target), durability_(durability), links_(links)
    {
    }
    ~SafeFile();
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
    // The file the bytes end up in: the target, or a link's target when links are followed.
    QString destination() const;

    QFileDevice& device() { return scratch_ ? static_cast<QFileDevice&>(*scratch_) : file_; }

    QSaveFile file_;
    Durability durability_;
    Links links_;
    // Our own file beside the target, where QSaveFile would flush it or follow a link.
    std::unique_ptr<QTemporaryFile> scratch_;
    // Where the system's own calls write the file beside the target, on systems whose file
    // handles Qt does not hand out.
    QString scratchPath_;
    void* scratchHandle_ = nullptr;
    qint64 written_ = 0;
    Failure failure_ = Failure::None;
};
