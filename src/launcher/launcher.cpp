#include "launcher/launcher.h"

namespace lumen {

void UnpackedFiles::addFile(const std::string& path) {
    const std::lock_guard<os::Mutex> lock(mutex_);
    files_.push_back(path);
}

void UnpackedFiles::addDirectory(const std::string& path) {
    const std::lock_guard<os::Mutex> lock(mutex_);
    directories_.push_back(path);
}

std::vector<std::string> UnpackedFiles::files() const {
    const std::lock_guard<os::Mutex> lock(mutex_);
    return files_;
}

std::vector<std::string> UnpackedFiles::directories() const {
    const std::lock_guard<os::Mutex> lock(mutex_);
    return directories_;
}

} // namespace lumen
