#include "launcher/paths.h"

#include "launcher/launcher.h"

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

LauncherPaths LauncherPaths::ofThisProcess() {
    std::string module = os::ownExecutableShortName();
    if (os::pathStyle().foldsCase) lowerCasePath(module);
    collapseBackslashes(module);
    cutToBuffer(module);
    std::string absolute;
    if (!os::absolutePath(module, absolute)) absolute = module;
    return LauncherPaths(module, absolute.substr(0, os::fileNameOffset(absolute)));
}

std::string LauncherPaths::resolve(const std::string& path) const {
    std::string out = isRelativePath(path, os::pathStyle()) ? directory_ + path : path;
    cutToBuffer(out);
    collapseBackslashes(out);
    return out;
}

std::string LauncherPaths::full(const std::string& path, bool keepCase) const {
    const std::string resolved = resolve(path);
    std::string out;
    if (!os::absolutePath(resolved, out)) out = resolved;
    if (!keepCase && os::pathStyle().foldsCase) lowerCasePath(out);
    collapseBackslashes(out);
    return out;
}

std::string LauncherPaths::resolveList(const std::string& list) const {
    std::string out;
    for (const std::string& entry : splitList(list)) {
        if (!out.empty()) out += os::pathStyle().listSeparator;
        out += resolve(entry);
    }
    cutToBuffer(out);
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
