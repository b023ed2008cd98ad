#include "os/sync.h"

#include <windows.h>

namespace lumen::os {

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
