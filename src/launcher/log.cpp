#include "launcher/log.h"

#include <cstdarg>
#include <vector>

#include "core/report_text.h"
#include "os/env.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

constexpr unsigned kNameAttempts = 64;

std::string joinDirectory(std::string directory, const std::string& name) {
    const char separator = os::pathSeparator();
    if (!directory.empty() && directory.back() != separator && directory.back() != '/')
        directory.push_back(separator);
    return directory + name;
}

} // namespace

Log::~Log() {
    if (file_ != nullptr) (void)std::fclose(file_);
}

// A name of our own making: the C library's temporary names may keep only a
// few letters of the prefix, and the log must be recognisable by it.
bool Log::createUniqueLocked(const std::string& directory) {
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate =
            joinDirectory(directory, logFileName(os::processId(), os::tickCount(), attempt));
        if (!os::createNewFile(candidate)) continue;
        path_ = candidate;
        hasPath_ = true;
        // Appended to, not truncated: the file was just made empty, and on
        // ext4 a truncating open makes the close write the data back at
        // once, which then costs every start a block freed on deletion.
        file_ = std::fopen(candidate.c_str(), "a");
        if (file_ != nullptr) inUse_ = os::File::markInUse(candidate);
        return file_ != nullptr;
    }
    return false;
}

void Log::openLocked() {
    if (opened_) return;
    opened_ = true;
    std::string tmp;
    bool opened = false;
    if (os::getEnv(os::logDirectoryVariable(), tmp) && !tmp.empty() && os::isWritableDirectory(tmp))
        opened = createUniqueLocked(tmp);
    if (!opened) opened = createUniqueLocked(os::logFallbackDirectory());
    if (!opened) {
        path_ = os::logFallbackFile();
        hasPath_ = true;
        file_ = std::fopen(path_.c_str(), "w");
        if (file_ == nullptr) return;
        inUse_ = os::File::markInUse(path_);
    }
    const std::string header = logHeader(os::ownExecutableName(), os::currentTimeText());
    // A log that cannot be written is silently absent, as the contract says.
    (void)std::fputs(header.c_str(), file_);
    (void)std::fflush(file_);
}

// `arguments` was started by info() or error(), which the analyzer does not
// follow into this function.
void Log::write(bool error, const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
        (void)std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
        message.assign(buffer.data(), static_cast<size_t>(needed));
    }
    const std::lock_guard<os::Mutex> lock(mutex_);
    openLocked();
    if (file_ == nullptr) return;
    const std::string line = logLine(error, message);
    (void)std::fputs(line.c_str(), file_);
    (void)std::fflush(file_);
}

// printf-style on purpose: every call's format is checked by the compiler
// (the format attribute in log.h) and the lines keep their fixed texts.
void Log::info(const char* format, ...) { // NOLINT(cert-dcl50-cpp)
    va_list arguments;
    va_start(arguments, format);
    write(false, format, arguments);
    va_end(arguments);
}

void Log::error(const char* format, ...) { // NOLINT(cert-dcl50-cpp)
    va_list arguments;
    va_start(arguments, format);
    write(true, format, arguments);
    va_end(arguments);
}

void Log::close() {
    const std::lock_guard<os::Mutex> lock(mutex_);
    opened_ = true;
    if (file_ != nullptr) (void)std::fclose(file_);
    file_ = nullptr;
    inUse_.close();
}

bool Log::path(std::string& out) const {
    const std::lock_guard<os::Mutex> lock(mutex_);
    if (!hasPath_) return false;
    out = path_;
    return true;
}

} // namespace lumen
