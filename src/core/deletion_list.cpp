#include "core/deletion_list.h"

#include "core/path_rules.h"
#include "core/property_store.h"

namespace lumen {

bool appendDeletionEntry(std::string& list, const std::string& path) {
    if (path.empty() || path.find(';') != std::string::npos) return false;
    if (list.size() + path.size() + 1 > kTextBufferSize - 1) return false;
    list += path;
    list += ';';
    return true;
}

std::vector<std::string> deletionEntries(const std::string& stored) {
    std::string text = stored.substr(0, kTextBufferSize - 1);
    // A text cut at the buffer's end may end inside a path: that part is no
    // path of ours and must not be deleted.
    if (stored.size() >= kTextBufferSize - 1 && !text.empty() && text.back() != ';')
        text.erase(text.find_last_of(';') == std::string::npos ? 0 : text.find_last_of(';') + 1);
    return splitList(text);
}

std::string deletionListOf(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& entry : entries)
        appendDeletionEntry(list, entry);
    return list;
}

} // namespace lumen

namespace lumen {
namespace {

bool isSeparator(char c, const PathStyle& style) {
    return c == style.separator || (style.separator == '\\' && c == '/');
}

char folded(char c, const PathStyle& style) {
    return style.foldsCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool samePath(const std::string& a, const std::string& b, const PathStyle& style) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (folded(a[i], style) != folded(b[i], style)) return false;
    return true;
}

// The folder without its trailing separators; empty when it is no
// absolute path or a file system's root ("/", "c:\", "\\server\share"),
// below which a pass must never roam.
std::string folderOf(std::string root, const PathStyle& style) {
    while (!root.empty() && isSeparator(root.back(), style))
        root.pop_back();
    if (style.separator == '/') return root.size() > 1 && root[0] == '/' ? root : std::string();
    const bool drive = root.size() > 2 && root[1] == ':' && isSeparator(root[2], style);
    const bool network =
        root.size() > 2 && isSeparator(root[0], style) && isSeparator(root[1], style);
    if (!drive && !network) return std::string();
    // At least one directory below the drive, or below \\server\share.
    size_t separators = 0;
    for (size_t i = network ? 2 : 0; i < root.size(); ++i)
        if (isSeparator(root[i], style)) ++separators;
    return separators >= (network ? 2u : 1u) ? root : std::string();
}

bool isPlainComponent(const std::string& component, const PathStyle& style) {
    if (component.empty() || component == "." || component == "..") return false;
    if (style.separator == '\\' && component.find_first_of(":*?\"<>|") != std::string::npos)
        return false;
    return true;
}

std::vector<std::string> componentsOf(const std::string& rest, const PathStyle& style) {
    std::vector<std::string> components(1);
    for (const char c : rest) {
        if (isSeparator(c, style))
            components.emplace_back();
        else
            components.back() += c;
    }
    return components;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool allOf(const std::string& text, size_t from, size_t to, bool (*test)(char)) {
    for (size_t i = from; i < to; ++i)
        if (!test(text[i])) return false;
    return from < to;
}

} // namespace

bool isLauncherDirectoryName(const std::string& name) {
    if (name.compare(0, 3, "lmx") != 0) return false;
    if (name.size() == 3 + 32 + 4 && name.compare(35, 4, "_dir") == 0)
        return allOf(name, 3, 35,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    const size_t tmp = name.find(".tmp_dir");
    if (tmp == std::string::npos || tmp < 4 || tmp > 7) return false;
    return allOf(name, 3, tmp, isHexDigit) &&
           allOf(name, tmp + 8, name.size(), [](char c) { return c >= '0' && c <= '9'; }) &&
           name.size() - (tmp + 8) <= 5;
}

DeletionTarget deletionScopeOf(const std::string& path, bool fromDirectoryList,
                               const std::vector<std::string>& roots, const PathStyle& style) {
    for (const std::string& root : roots) {
        const std::string folder = folderOf(root, style);
        if (folder.empty() || path.size() <= folder.size() + 1) continue;
        if (!samePath(path.substr(0, folder.size()), folder, style) ||
            !isSeparator(path[folder.size()], style))
            continue;
        const std::vector<std::string> components =
            componentsOf(path.substr(folder.size() + 1), style);
        bool plain = true;
        for (const std::string& component : components)
            plain = plain && isPlainComponent(component, style);
        if (!plain) return DeletionTarget();
        DeletionTarget target;
        target.rootLength = folder.size() + 1;
        target.scope =
            fromDirectoryList && components.size() == 1 && isLauncherDirectoryName(components[0])
                ? DeletionScope::Tree
                : DeletionScope::Single;
        return target;
    }
    return DeletionTarget();
}

std::vector<std::string> guardedPaths(const std::string& path, const DeletionTarget& target,
                                      const PathStyle& style) {
    std::vector<std::string> paths;
    if (target.scope == DeletionScope::Refused) return paths;
    for (size_t i = target.rootLength; i < path.size(); ++i)
        if (isSeparator(path[i], style)) paths.push_back(path.substr(0, i));
    paths.push_back(path);
    return paths;
}

std::vector<std::string> entriesLeft(const std::vector<std::string>& storedNow,
                                     const std::vector<std::string>& settled,
                                     const PathStyle& style) {
    std::vector<std::string> left;
    for (const std::string& entry : storedNow) {
        bool done = false;
        for (const std::string& gone : settled)
            done = done || samePath(entry, gone, style);
        if (!done) left.push_back(entry);
    }
    return left;
}

} // namespace lumen
