#pragma once

#include "core/services/single_instance.h"

// A named mutex in the user's session: the system drops it when its holder ends, so a crash never
// leaves a false "already running".
class NamedMutexInstance : public SingleInstance {
public:
    NamedMutexInstance() = default;
    ~NamedMutexInstance() override;
    NamedMutexInstance(const NamedMutexInstance&) = delete;
    NamedMutexInstance& operator=(const NamedMutexInstance&) = delete;

    bool acquire() override;

private:
    void* mutex_ = nullptr;
};
