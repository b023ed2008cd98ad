#include "os/system.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace lumen::os {

unsigned long processId() {
    return static_cast<unsigned long>(::getpid());
}

bool isProcessRunning(unsigned long processId) {
    if (processId == 0) return false;
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

unsigned long tickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps like the Windows tick count; callers only take differences.
    return static_cast<unsigned long>(static_cast<uint32_t>(
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u));
}

unsigned long lastErrorCode() {
    return static_cast<unsigned long>(errno);
}

void setLastErrorCode(unsigned long code) {
    errno = static_cast<int>(code);
}

void sleepMs(unsigned long milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

std::string currentTimeText() {
    const std::time_t now = std::time(nullptr);
    char buffer[64];
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr ||
        std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y\n", &local) == 0)
        return "\n";
    return buffer;
}

void exitProcess(unsigned code) {
    ::_exit(static_cast<int>(code & 0xFF));
}

void exitProcessAsJvm(int code) {
    std::exit(code);
}

// Restarting the machine is not a launcher's business on POSIX systems.
bool requestRestart() {
    errno = ENOSYS;
    return false;
}

// The helper threads that would need it only run beside the Windows dialogs.
void raiseCurrentThreadPriority() {}

bool setAppUserModelId(const std::u16string& /*id*/) {
    return true;
}

bool acceptsOpenJdkVersionLine() {
    return true;
}

} // namespace lumen::os
