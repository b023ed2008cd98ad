#include "launcher/java_check.h"

#include <cstdio>

#include "core/java_runtime.h"
#include "core/java_version.h"
#include "core/property_store.h"
#include "launcher/paths.h"
#include "launcher/temp_files.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/registry.h"
#include "os/system.h"

namespace lumen {
namespace {

const char kVersionCacheKey[] = "SOFTWARE\\nordquill\\lumen\\jvms\\";
const char kLocatedKey[] = "SOFTWARE\\nordquill\\lumen\\locatedjvms\\";
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

bool findLocatedJvmInRoot(Launcher& launcher, os::RegistryRoot root, const std::string& minimum,
                          const std::string& maximum, std::string& bestPath,
                          std::string& bestVersion) {
    os::RegistryKey key = os::RegistryKey::openForReading(root, kLocatedKey);
    if (!key.valid()) return false;
    bool found = false;
    std::string name;
    for (uint32_t index = 0; key.subKeyName(index, name); ++index) {
        std::string path = pathFromRegistryKey(name, os::pathStyle());
        std::string version;
        if (!checkJavaExe(launcher, path, version, minimum, maximum, true)) continue;
        if (compareVersions(version, bestVersion) > 0) {
            bestPath = path;
            bestVersion = version;
            found = true;
        }
    }
    return found;
}

} // namespace

bool readVersionCache(const std::string& path, uint64_t lastWriteTime, std::string& version) {
    os::RegistryKey key = os::RegistryKey::openForReading(
        os::RegistryRoot::CurrentUser, registryKeyForPath(kVersionCacheKey, path, os::pathStyle()));
    uint8_t stored[8];
    if (!key.readBinaryExact("LastWriteTime", stored, sizeof stored)) return false;
    for (size_t i = 0; i < sizeof stored; ++i)
        if (stored[i] != static_cast<uint8_t>(lastWriteTime >> (8 * i))) return false;
    return key.readString("Version", version, kTextBufferSize);
}

void writeVersionCache(const std::string& path, uint64_t lastWriteTime,
                       const std::string& version) {
    os::RegistryKey key = os::RegistryKey::create(
        os::RegistryRoot::CurrentUser, registryKeyForPath(kVersionCacheKey, path, os::pathStyle()));
    uint8_t stored[8];
    for (size_t i = 0; i < sizeof stored; ++i)
        stored[i] = static_cast<uint8_t>(lastWriteTime >> (8 * i));
    key.writeBinary("LastWriteTime", stored, sizeof stored);
    key.writeString("Version", version, false);
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
        found = versionFromJavaOutput(line, os::acceptsOpenJdkVersionLine(), version);
    os::deleteFile(output);
    return found;
}

bool checkJavaExe(Launcher& launcher, std::string& path, std::string& version,
                  const std::string& minimum, const std::string& maximum, bool allowPreRelease) {
    const bool acceptsPreRelease = launcher.properties.flag(Property::AllowPreRelease);
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
        if (readVersionCache(path, lastWriteTime, version)) {
            launcher.log.info("got version from registry %s", version.c_str());
            verdict = versionInRange(version, minimum, maximum, allowPreRelease, acceptsPreRelease);
        } else if (runJavaVersion(launcher, path, version)) {
            launcher.log.info("got version from execution %s", version.c_str());
            writeVersionCache(path, lastWriteTime, version);
            verdict = versionInRange(version, minimum, maximum, allowPreRelease, acceptsPreRelease);
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
    if (launcher.properties.flag(Property::RequireJdk))
        return fileExists(pathUnder(home, {"lib", "tools.jar"}));
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
    if (user && (!machine || compareVersions(userVersion, machineVersion) > 0)) {
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
