#include "builder/host.h"

namespace lumen::builder {

std::filesystem::path nativePath(const std::string& utf8) {
    return std::filesystem::u8path(utf8);
}

std::string fileNameOf(const std::string& path) {
    return nativePath(path).filename().u8string();
}

std::string directoryOf(const std::string& path) {
    const std::string parent = nativePath(path).parent_path().u8string();
    return parent.empty() ? "." : parent;
}

std::string resolveAgainst(const std::string& base, const std::string& path) {
    const std::filesystem::path native = nativePath(path);
    if (path.empty() || native.is_absolute() || native.has_root_directory()) return path;
    return base + "/" + path;
}

} // namespace lumen::builder
