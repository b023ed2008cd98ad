#include <cerrno>
#include <cstring>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "builder/host.h"

namespace lumen::builder {

std::string ownDirectory() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    return directoryOf(std::string(path, static_cast<size_t>(length)));
}

bool isReadable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool createTemporaryFile(const std::string& directory, std::string& path, std::string& error) {
    std::string pattern = directory + "/.lumen-build-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd < 0) {
        error = directory + ": cannot create a temporary file: " + std::strerror(errno);
        return false;
    }
    close(fd);
    path = pattern;
    return true;
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    error = to + ": cannot write: " + std::strerror(errno);
    return false;
}

void markExecutable(const std::string& path) {
    chmod(path.c_str(), 0755);
}

} // namespace lumen::builder
