#include "launcher/runtime_files.h"

#include <algorithm>
#include <iterator>

#include "core/java_runtime.h"
#include "core/path_style.h"
#include "launcher/paths.h"
#include "os/file.h"
#include "os/paths.h"

namespace lumen {
namespace {

const char* const kVmKinds[] = {"hotspot", "client", "server", "classic"};

void appendVmLibraries(const Launcher& launcher, const std::string& javaExe,
                       std::vector<VmLibrary>& out) {
    const PathStyle& style = os::pathStyle();
    const std::string directory = javaExeDirectory(javaExe, style);
    std::vector<std::string> kinds;
    const std::string preferred = launcher.properties.text(Property::PreferredVm);
    if (!preferred.empty()) kinds.push_back(preferred);
    kinds.insert(kinds.end(), std::begin(kVmKinds), std::end(kVmKinds));
    for (const std::string& kind : kinds) {
        const std::vector<std::string> libraries = vmLibraryCandidates(style, directory, kind);
        std::transform(libraries.begin(), libraries.end(), std::back_inserter(out),
                       [&directory](const std::string& library) {
                           return VmLibrary{library, directory};
                       });
    }
}

} // namespace

std::vector<VmLibrary> vmLibraryPaths(const Launcher& launcher, const std::string& javaExe) {
    const PathStyle& style = os::pathStyle();
    std::vector<VmLibrary> libraries;
    appendVmLibraries(launcher, javaExe, libraries);
    appendVmLibraries(
        launcher,
        pathUnder(javaExeDirectory(javaExe, style) + "..", {"jre", "bin", style.javaExecutable}),
        libraries);
    return libraries;
}

CpuArch vmLibraryArch(const std::string& library) {
    os::File file = os::File::openForReading(library);
    uint64_t size = 0;
    if (!file.valid() || !file.size(size)) return CpuArch::Unknown;
    const ImageReader read = [&file](uint64_t offset, uint8_t* out, size_t count) {
        size_t got = 0;
        return file.seek(offset) && file.read(out, count, got) && got == count;
    };
    return peImageArch(read, size);
}

bool vmLibraryFits(Launcher& launcher, const std::string& library) {
    const CpuArch arch = vmLibraryArch(library);
    if (runtimeArchFits(kBuildArch, arch)) return true;
    launcher.log.info("%s", archMismatchLine(library, arch, kBuildArch).c_str());
    return false;
}

std::string releaseFilePath(const std::string& javaExe) {
    const PathStyle& style = os::pathStyle();
    std::string directory = javaExeDirectory(javaExe, style);
    if (!directory.empty() && directory.back() == style.separator) directory.pop_back();
    const size_t cut = directory.rfind(style.separator);
    const std::string home =
        cut == std::string::npos ? directory + style.separator + ".." : directory.substr(0, cut);
    return joinPath(style, home, "release");
}

bool readReleaseFile(const std::string& path, ReleaseInfo& info) {
    info = ReleaseInfo();
    os::File file = os::File::openForReading(path);
    if (!file.valid()) return false;
    std::string text(kReleaseFileMaxBytes, '\0');
    size_t filled = 0;
    while (filled < text.size()) {
        size_t got = 0;
        if (!file.read(&text[filled], text.size() - filled, got)) return false;
        if (got == 0) break;
        filled += got;
    }
    text.resize(filled);
    info = parseReleaseFile(text);
    return true;
}

} // namespace lumen
