#include "platform/windows/named_mutex_instance.h"

#include <windows.h>

NamedMutexInstance::~NamedMutexInstance()
{
    if (mutex_)
        CloseHandle(mutex_);
}

bool NamedMutexInstance::acquire()
{
    if (mutex_)
        return true;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\KorvaneSoftware.Drapello");
    if (!mutex)
        return true; // no mutex possible: better a second copy than no program at all
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
}
