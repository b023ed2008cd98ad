#include "os/sync.h"

#include <windows.h>

namespace lumen::os {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(Mutex) && alignof(CRITICAL_SECTION) <= 8,
              "Mutex has no room for a CRITICAL_SECTION");

Mutex::Mutex() : storage_{} {
    InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
Mutex::~Mutex() {
    DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
void Mutex::lock() {
    EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
void Mutex::unlock() {
    LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}

InstanceClaim claimInstance(const std::string& name) {
    // The handle stays open for the life of the process: the semaphore lives
    // as long as the first process does.
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name.c_str());
    if (semaphore != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(semaphore);
        return InstanceClaim::AlreadyHeld;
    }
    return InstanceClaim::First;
}

} // namespace lumen::os
