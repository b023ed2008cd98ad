#include "core/path_rules.h"

#include <algorithm>

namespace lumen {

bool isRelativePath(const std::string& path, const PathStyle& style) {
    if (style.separator == '/') {
        const size_t start = !path.empty() && path[0] == '"' ? 1 : 0;
        return path.size() <= start || path[start] != '/';
    }
    if (path.size() <= 2) return true;
    if (path[0] == '"') {
        if (path.size() <= 3) return true;
        const bool drive = path.size() >= 4 && path[2] == ':' && path[3] == '\\';
        const bool network = path[1] == '\\' && path[2] == '\\';
        return !(drive || network);
    }
    const bool drive = path[1] == ':' && path[2] == '\\';
    const bool network = path[0] == '\\' && path[1] == '\\';
    return !(drive || network);
}

void collapseBackslashes(std::u16string& path, char16_t separator) {
    if (path.empty()) return;
    std::u16string out;
    out.reserve(path.size());
    out.push_back(path[0]);
    for (size_t i = 1; i < path.size(); ++i) {
        const bool lastIsLaterBackslash = out.size() > 1 && out.back() == separator;
        if (path[i] == separator && lastIsLaterBackslash) continue;
        out.push_back(path[i]);
    }
    path.swap(out);
}

bool isDriveRoot(const std::string& path, const PathStyle& style) {
    if (path.size() < 2 || style.separator == '/') return false;
    const std::string rest = path.substr(1);
    return rest == ":\\" || rest == ":\\." || rest == ":\\.\\.";
}

std::vector<std::string> splitList(const std::string& list, char separator) {
    std::vector<std::string> items;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t next = list.find(separator, pos);
        if (next == std::string::npos) next = list.size();
        if (next > pos) items.push_back(list.substr(pos, next - pos));
        pos = next + 1;
    }
    return items;
}

std::string instanceNameOf(const std::string& modulePath) {
    std::string name = modulePath;
    std::replace(name.begin(), name.end(), '\\', '_');
    return name;
}

} // namespace lumen
