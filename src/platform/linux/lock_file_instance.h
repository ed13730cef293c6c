#pragma once

#include "core/services/single_instance.h"

#include <QString>

// An advisory lock (flock) on a file in a private folder of the user (see privateRuntimeFolder).
// The kernel drops the lock when the holder dies, so a crash never leaves a false "already
// running"; a live holder is never overruled, however long it has run.
class LockFileInstance : public SingleInstance {
public:
    explicit LockFileInstance(QString lockPath);
    ~LockFileInstance() override;
    LockFileInstance(const LockFileInstance&) = delete;
    LockFileInstance& operator=(const LockFileInstance&) = delete;

    bool acquire() override;

private:
    QString lockPath_;
    int fd_ = -1;
};
