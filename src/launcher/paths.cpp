#include "launcher/paths.h"

#include "core/path_rules.h"
#include "core/report_text.h"
#include "os/paths.h"
#include "os/text.h"

namespace lumen {
namespace {

// Applies a wide transformation under the round-trip rule.
template <typename Transform> void roundTrip(std::string& path, Transform transform) {
    std::u16string wide = os::wideFromNarrow(path);
    if (wide.empty() && !path.empty()) return;
    cutToBuffer(wide);
    transform(wide);
    bool lossless = false;
    std::string narrowed = os::narrowFromWide(wide, &lossless);
    if (lossless) path.swap(narrowed);
}

} // namespace

const std::string& moduleFileName() {
    static const std::string name = [] {
        std::string path = os::ownExecutableShortName();
        if (os::pathStyle().foldsCase) lowerCasePath(path);
        collapseBackslashes(path);
        cutToBuffer(path);
        return path;
    }();
    return name;
}

const std::string& launcherDirectory() {
    static const std::string directory = [] {
        std::string absolute;
        if (!os::absolutePath(moduleFileName(), absolute)) absolute = moduleFileName();
        return absolute.substr(0, os::fileNameOffset(absolute));
    }();
    return directory;
}

std::string resolveAgainstExeDir(const std::string& path) {
    std::string out = isRelativePath(path, os::pathStyle()) ? launcherDirectory() + path : path;
    cutToBuffer(out);
    collapseBackslashes(out);
    return out;
}

std::string fullPath(const std::string& path, bool keepCase) {
    const std::string resolved = resolveAgainstExeDir(path);
    std::string out;
    if (!os::absolutePath(resolved, out)) out = resolved;
    if (!keepCase && os::pathStyle().foldsCase) lowerCasePath(out);
    collapseBackslashes(out);
    return out;
}

void lowerCasePath(std::string& path) {
    roundTrip(path, os::lowerCaseWide);
}

void collapseBackslashes(std::string& path) {
    const char16_t separator = static_cast<char16_t>(os::pathSeparator());
    roundTrip(path,
              [separator](std::u16string& wide) { lumen::collapseBackslashes(wide, separator); });
}

bool fileExists(const std::string& path) {
    return isDriveRoot(path, os::pathStyle()) || findFile(path);
}

bool findFile(const std::string& path, uint64_t* lastWriteTime) {
    return os::findFile(path, lastWriteTime);
}

std::string resolvePathList(const std::string& list) {
    std::string out;
    for (const std::string& entry : splitList(list)) {
        if (!out.empty()) out += os::pathStyle().listSeparator;
        out += resolveAgainstExeDir(entry);
    }
    cutToBuffer(out);
    return out;
}

std::string pathUnder(const std::string& base, std::initializer_list<std::string> names) {
    std::string path = base;
    for (const std::string& name : names)
        path = joinPath(os::pathStyle(), path, name);
    return path;
}

unsigned long longPathName(const std::string& shortPath, std::string& out) {
    return os::longPathName(shortPath, out);
}

} // namespace lumen
