#include "launcher/java_check.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/java_runtime.h"
#include "core/java_version.h"
#include "core/property_store.h"
#include "launcher/paths.h"
#include "launcher/runtime_files.h"
#include "launcher/temp_files.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/registry.h"
#include "os/system.h"

namespace lumen {
namespace {

const char kVersionCacheKey[] = "SOFTWARE\\nordquill\\lumen\\jvms\\";
const char kLocatedKey[] = "SOFTWARE\\nordquill\\lumen\\locatedjvms\\";
// Beside "Version" in a cache entry: which source answered.
const char kVersionSourceValue[] = "VersionSource";
constexpr unsigned long kVersionRunLimitMs = 10000;
constexpr size_t kFirstLineBytes = 100; // 99 bytes and the terminator

// The first line of a file, without its line end; false when unreadable.
bool readFirstLine(const std::string& path, std::string& line) {
    std::FILE* file = std::fopen(path.c_str(), "rt");
    if (file == nullptr) return false;
    char buffer[kFirstLineBytes];
    const bool read = std::fgets(buffer, sizeof buffer, file) != nullptr;
    (void)std::fclose(file); // read-only: nothing to lose
    if (!read) return false;
    line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

// The first lines of " -version" that name a version: today's rules take
// any `<word> version "..."`; otherwise the platform's classic forms.
VersionLineForms versionLineForms(const Launcher& launcher) {
    if (modernRuntimes(launcher)) return VersionLineForms::AnyWord;
    return os::acceptsOpenJdkVersionLine() ? VersionLineForms::JavaOrOpenJdk
                                           : VersionLineForms::JavaOnly;
}

// A runtime's release file, read on first use and only under today's rules
// (the classic ones never look at it).
class ReleaseFile {
  public:
    ReleaseFile(std::string path, bool enabled) : path_(std::move(path)), enabled_(enabled) {}
    const std::string& path() const { return path_; }
    const ReleaseInfo& info() {
        if (enabled_ && !read_) {
            read_ = true;
            (void)readReleaseFile(path_, info_); // unreadable: tells nothing
        }
        return info_;
    }

  private:
    std::string path_;
    bool enabled_;
    bool read_ = false;
    ReleaseInfo info_;
};

// Whether this launcher can load the runtime: its VM libraries' PE headers
// tell, in the loader's order, and where none does, the release file's
// OS_ARCH. A refusal is logged with the files that said so.
bool runtimeArchitectureFits(Launcher& launcher, const std::string& javaExe, ReleaseFile& release) {
    std::vector<std::string> refusals;
    for (const VmLibrary& library : vmLibraryPaths(launcher, javaExe)) {
        const CpuArch arch = vmLibraryArch(library.path);
        if (arch == CpuArch::Unknown) continue;
        if (runtimeArchFits(kBuildArch, arch)) return true;
        refusals.push_back(archMismatchLine(library.path, arch, kBuildArch));
    }
    if (refusals.empty()) {
        const CpuArch arch = release.info().arch;
        if (runtimeArchFits(kBuildArch, arch)) return true;
        refusals.push_back(archMismatchLine(release.path(), arch, kBuildArch));
    }
    for (const std::string& line : refusals)
        launcher.log.info("%s", line.c_str());
    return false;
}

bool findLocatedJvmInRoot(Launcher& launcher, os::RegistryRoot root, const std::string& minimum,
                          const std::string& maximum, std::string& bestPath,
                          std::string& bestVersion) {
    os::RegistryKey key = os::RegistryKey::openForReading(root, kLocatedKey);
    if (!key.valid()) return false;
    BestRuntime best;
    std::string name;
    for (uint32_t index = 0; key.subKeyName(index, name); ++index) {
        std::string path = pathFromRegistryKey(name, os::pathStyle());
        std::string version;
        if (checkJavaExe(launcher, path, version, minimum, maximum, true))
            best.offer(versionRules(launcher), path, version);
    }
    return best.take(bestPath, bestVersion);
}

} // namespace

bool modernRuntimes(const Launcher& launcher) {
    return launcher.properties.flag(Property::ModernRuntimes);
}

VersionRules versionRules(const Launcher& launcher) {
    return VersionRules{modernRuntimes(launcher)};
}

void BestRuntime::offer(const VersionRules& rules, const std::string& path,
                        const std::string& version) {
    if (rules.compare(version, version_) <= 0) return;
    found_ = true;
    path_ = path;
    version_ = version;
}

bool BestRuntime::take(std::string& path, std::string& version) const {
    if (!found_) return false;
    path = path_;
    version = version_;
    return true;
}

bool readVersionCache(const std::string& path, uint64_t lastWriteTime, std::string& version) {
    os::RegistryKey key = os::RegistryKey::openForReading(
        os::RegistryRoot::CurrentUser, registryKeyForPath(kVersionCacheKey, path, os::pathStyle()));
    uint8_t stored[8];
    if (!key.readBinaryExact("LastWriteTime", stored, sizeof stored)) return false;
    for (size_t i = 0; i < sizeof stored; ++i)
        if (stored[i] != static_cast<uint8_t>(lastWriteTime >> (8 * i))) return false;
    return key.readString("Version", version, kTextBufferSize);
}

void writeVersionCache(const std::string& path, uint64_t lastWriteTime, const std::string& version,
                       VersionSource source) {
    os::RegistryKey key = os::RegistryKey::create(
        os::RegistryRoot::CurrentUser, registryKeyForPath(kVersionCacheKey, path, os::pathStyle()));
    uint8_t stored[8];
    for (size_t i = 0; i < sizeof stored; ++i)
        stored[i] = static_cast<uint8_t>(lastWriteTime >> (8 * i));
    key.writeBinary("LastWriteTime", stored, sizeof stored);
    key.writeString("Version", version, false);
    key.writeString(kVersionSourceValue,
                    source == VersionSource::ReleaseFile ? "release" : "execution", false);
}

bool runJavaVersion(Launcher& launcher, const std::string& path, std::string& version) {
    // Short names carry no blanks; where there are none, the path is quoted.
    const std::string program =
        os::pathStyle().foldsCase ? os::shortPathName(path) : "\"" + path + "\"";
    const std::string commandLine = program + " -version";
    std::string output;
    const std::optional<std::string> temporary = chooseTempDirectory();
    if (!temporary || !createTempFileIn(*temporary, output)) {
        launcher.log.error("Could not create a temporary file for the version output");
        return false;
    }
    unsigned long exitCode = os::kStillActive;
    if (!os::runHidden(commandLine, output, kVersionRunLimitMs, exitCode)) {
        os::deleteFile(output);
        return false;
    }
    if (exitCode == os::kStillActive)
        launcher.log.error("%s did not finish (error %lu)", commandLine.c_str(),
                           os::lastErrorCode());
    bool found = false;
    std::string line;
    if (exitCode == 0 && readFirstLine(output, line))
        found = versionFromJavaOutput(line, versionLineForms(launcher), version);
    os::deleteFile(output);
    return found;
}

bool checkJavaExe(Launcher& launcher, std::string& path, std::string& version,
                  const std::string& minimum, const std::string& maximum, bool allowPreRelease) {
    const bool acceptsPreRelease = launcher.properties.flag(Property::AllowPreRelease);
    const bool modern = modernRuntimes(launcher);
    const VersionRules rules = versionRules(launcher);
    launcher.log.info("checkJavaExe (%s, [out], %s, %s, %d)", path.c_str(), minimum.c_str(),
                      maximum.c_str(), allowPreRelease ? 1 : 0);
    path = launcher.paths.full(path);
    bool verdict = false;
    uint64_t lastWriteTime = 0;
    if (!findFile(path, &lastWriteTime)) {
        launcher.log.info("file doesn't exist");
    } else {
        launcher.log.info("file exists");
        version.clear();
        ReleaseFile release(releaseFilePath(path), modern);
        if (!runtimeArchitectureFits(launcher, path, release)) {
            // Neither started nor cached: the runtime could never be loaded here.
        } else if (readVersionCache(path, lastWriteTime, version)) {
            launcher.log.info("got version from registry %s", version.c_str());
            verdict = rules.inRange(version, minimum, maximum, allowPreRelease, acceptsPreRelease);
        } else if (!release.info().version.empty()) {
            version = release.info().version;
            launcher.log.info("got version from release file %s", version.c_str());
            writeVersionCache(path, lastWriteTime, version, VersionSource::ReleaseFile);
            verdict = rules.inRange(version, minimum, maximum, allowPreRelease, acceptsPreRelease);
        } else if (runJavaVersion(launcher, path, version)) {
            launcher.log.info("got version from execution %s", version.c_str());
            writeVersionCache(path, lastWriteTime, version, VersionSource::Execution);
            verdict = rules.inRange(version, minimum, maximum, allowPreRelease, acceptsPreRelease);
        } else {
            version.clear();
            launcher.log.info("couldn't get version");
        }
    }
    if (verdict && launcher.properties.integer(Property::ExecutableType) == 1) {
        path = windowedExecutable(path, os::pathStyle());
        return fileExists(path);
    }
    launcher.log.info("checkJavaExe returning %d", verdict ? 1 : 0);
    return verdict;
}

bool checkJavaExe(Launcher& launcher, std::string& path, const std::string& minimum,
                  const std::string& maximum, bool allowPreRelease) {
    std::string version;
    return checkJavaExe(launcher, path, version, minimum, maximum, allowPreRelease);
}

bool javaExeFromHome(const Launcher& launcher, const std::string& home, std::string& path) {
    const std::string& java = os::pathStyle().javaExecutable;
    path = pathUnder(home, {"jre", "bin", java});
    if (launcher.properties.flag(Property::RequireJdk)) {
        const bool modern = modernRuntimes(launcher);
        const std::vector<std::string> markers =
            developmentKitMarkers(home, modern, os::pathStyle());
        if (std::none_of(markers.begin(), markers.end(), fileExists)) return false;
        // A kit up to Java 8 runs through its embedded runtime; later kits
        // have none and run from their own bin directory.
        if (modern && !fileExists(path)) path = pathUnder(home, {"bin", java});
        return true;
    }
    if (fileExists(path)) return true;
    path = pathUnder(home, {"bin", java});
    return true;
}

void rememberLocatedJvm(const std::string& path) {
    const std::string key = registryKeyForPath(kLocatedKey, path, os::pathStyle());
    if (os::RegistryKey::create(os::RegistryRoot::LocalMachine, key).valid()) return;
    os::RegistryKey::create(os::RegistryRoot::CurrentUser, key);
}

bool findLocatedJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                    std::string& path, std::string& version) {
    std::string userPath, userVersion, machinePath, machineVersion;
    const bool user = findLocatedJvmInRoot(launcher, os::RegistryRoot::CurrentUser, minimum,
                                           maximum, userPath, userVersion);
    const bool machine = findLocatedJvmInRoot(launcher, os::RegistryRoot::LocalMachine, minimum,
                                              maximum, machinePath, machineVersion);
    if (user && (!machine || versionRules(launcher).compare(userVersion, machineVersion) > 0)) {
        path = userPath;
        version = userVersion;
        return true;
    }
    if (machine) {
        path = machinePath;
        version = machineVersion;
        return true;
    }
    return false;
}

} // namespace lumen
