#include "launcher/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

#include "core/report_text.h"
#include "os/env.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

constexpr unsigned kNameAttempts = 64;

std::mutex logMutex;
bool logOpened = false;
bool logHasPath = false;
std::string logPath;
std::FILE* logFile = nullptr;

std::string joinDirectory(std::string directory, const std::string& name) {
    const char separator = os::pathSeparator();
    if (!directory.empty() && directory.back() != separator && directory.back() != '/')
        directory.push_back(separator);
    return directory + name;
}

// A name of our own making: the C library's temporary names may keep only a
// few letters of the prefix, and the log must be recognisable by it.
bool createUniqueLog(const std::string& directory) {
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate =
            joinDirectory(directory, logFileName(os::processId(), os::tickCount(), attempt));
        if (!os::createNewFile(candidate)) continue;
        logPath = candidate;
        logHasPath = true;
        logFile = std::fopen(candidate.c_str(), "w");
        return logFile != nullptr;
    }
    return false;
}

void openLogLocked() {
    if (logOpened) return;
    logOpened = true;
    std::string tmp;
    bool opened = false;
    if (os::getEnv(os::logDirectoryVariable(), tmp) && !tmp.empty() && os::isWritableDirectory(tmp))
        opened = createUniqueLog(tmp);
    if (!opened) opened = createUniqueLog(os::logFallbackDirectory());
    if (!opened) {
        logPath = os::logFallbackFile();
        logHasPath = true;
        logFile = std::fopen(logPath.c_str(), "w");
        if (logFile == nullptr) return;
    }
    const std::string header = logHeader(os::ownExecutableName(), os::currentTimeText());
    std::fputs(header.c_str(), logFile);
    std::fflush(logFile);
}

void writeLine(bool error, const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
        message.assign(buffer.data(), static_cast<size_t>(needed));
    }
    std::lock_guard<std::mutex> lock(logMutex);
    openLogLocked();
    if (logFile == nullptr) return;
    const std::string line = logLine(error, message);
    std::fputs(line.c_str(), logFile);
    std::fflush(logFile);
}

} // namespace

void logInfo(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    writeLine(false, format, arguments);
    va_end(arguments);
}

void logError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    writeLine(true, format, arguments);
    va_end(arguments);
}

bool logFilePath(std::string& path) {
    std::lock_guard<std::mutex> lock(logMutex);
    if (!logHasPath) return false;
    path = logPath;
    return true;
}

} // namespace lumen
