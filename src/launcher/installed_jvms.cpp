#include "launcher/installed_jvms.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/java_runtime.h"
#include "core/java_version.h"
#include "core/property_store.h"
#include "core/runtime_registry.h"
#include "core/short_sort.h"
#include "launcher/java_check.h"
#include "launcher/paths.h"
#include "os/paths.h"
#include "os/registry.h"

namespace lumen {
namespace {

const char kRuntimeKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char kDevelopmentKitKey[] = "SOFTWARE\\JavaSoft\\Java Development Kit";
constexpr size_t kCurrentVersionBytes = 100;

bool readRegistryString(const std::string& key, const char* value, std::string& out, size_t size,
                        os::RegistryRoot root = os::RegistryRoot::LocalMachine) {
    return os::RegistryKey::openForReading(root, key).readString(value, out, size);
}

// "CurrentVersion" of a JavaSoft key, or empty when unreadable or out of range.
std::string currentVersionInRange(const char* key, const std::string& minimum,
                                  const std::string& maximum) {
    std::string version;
    if (!readRegistryString(key, "CurrentVersion", version, kCurrentVersionBytes) ||
        !versionKeyInRange(version, minimum, maximum))
        version.clear();
    return version;
}

bool tryVersionKey(Launcher& launcher, const std::string& key, const std::string& minimum,
                   const std::string& maximum, std::string& path, std::string& version,
                   os::RegistryRoot root = os::RegistryRoot::LocalMachine,
                   const char* homeValue = "JavaHome") {
    std::string home;
    if (!readRegistryString(key, homeValue, home, kTextBufferSize, root)) return false;
    std::string candidate;
    if (!javaExeFromHome(launcher, home, candidate)) return false;
    if (!checkJavaExe(launcher, candidate, version, minimum, maximum, false)) return false;
    path = candidate;
    return true;
}

// One key family under one root: its sub-keys whose registered version
// fits the range, greatest first; the first that passes is offered.
void scanKeyFamily(Launcher& launcher, const RuntimeKeyFamily& family, os::RegistryRoot root,
                   const std::string& minimum, const std::string& maximum, BestRuntime& best) {
    const VersionRules rules = versionRules(launcher);
    os::RegistryKey parent = os::RegistryKey::openForReading(root, family.key);
    if (!parent.valid()) return;
    std::vector<std::pair<std::string, std::string>> registered; // version, sub-key
    std::string name, version;
    for (uint32_t index = 0; parent.subKeyName(index, name); ++index)
        if (registeredVersion(family, name, version) && rules.keyInRange(version, minimum, maximum))
            registered.emplace_back(version, name);
    shortStableSort(registered.begin(), registered.end(), [&rules](const auto& a, const auto& b) {
        return rules.compare(a.first, b.first) > 0;
    });
    for (const auto& [registeredAs, subKey] : registered) {
        const std::string homeKey = runtimeHomeKey(family, subKey);
        launcher.log.info("Trying %s runtime %s\\%s", family.vendor,
                          root == os::RegistryRoot::LocalMachine ? "HKLM" : "HKCU",
                          homeKey.c_str());
        std::string path, found;
        if (tryVersionKey(launcher, homeKey, minimum, maximum, path, found, root,
                          family.homeValue)) {
            best.offer(rules, path, found);
            return;
        }
    }
}

// Every key family that applies, in table order, each under the machine's
// root and then, where per-user installations write, the user's.
bool findKeyFamilyJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                      std::string& path, std::string& version) {
    const bool requireKit = launcher.properties.flag(Property::RequireJdk);
    BestRuntime best;
    for (const RuntimeKeyFamily& family : runtimeKeyFamilies()) {
        if (!runtimeKeyFamilyApplies(family, true, requireKit)) continue;
        scanKeyFamily(launcher, family, os::RegistryRoot::LocalMachine, minimum, maximum, best);
        if (family.perUser)
            scanKeyFamily(launcher, family, os::RegistryRoot::CurrentUser, minimum, maximum, best);
    }
    return best.take(path, version);
}

} // namespace

bool findCurrentVersionJvm(Launcher& launcher, const std::string& minimum,
                           const std::string& maximum, std::string& path, std::string& version) {
    const std::string kit = currentVersionInRange(kDevelopmentKitKey, minimum, maximum);
    const std::string runtime = launcher.properties.flag(Property::RequireJdk)
                                    ? std::string()
                                    : currentVersionInRange(kRuntimeKey, minimum, maximum);
    const std::string key = compareVersions(kit, runtime) > 0
                                ? std::string(kDevelopmentKitKey) + "\\" + kit
                                : std::string(kRuntimeKey) + "\\" + runtime;
    return tryVersionKey(launcher, key, minimum, maximum, path, version);
}

bool findEnumeratedJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                       std::string& path, std::string& version, const std::string& key) {
    os::RegistryKey parent = os::RegistryKey::openForReading(os::RegistryRoot::LocalMachine, key);
    if (!parent.valid()) return false;
    std::vector<std::string> names;
    std::string name;
    for (uint32_t index = 0; parent.subKeyName(index, name); ++index)
        if (versionKeyInRange(name, minimum, maximum)) names.push_back(name);
    orderVersionKeysForTrial(names);
    for (const std::string& candidate : names) {
        std::string versionKey = key;
        versionKey += '\\';
        versionKey += candidate;
        if (tryVersionKey(launcher, versionKey, minimum, maximum, path, version)) return true;
    }
    return false;
}

// The greatest qualifying runtime among the sub-directories of the system's
// runtime directory (POSIX systems, where no registry lists runtimes).
bool findSystemDirectoryJvm(Launcher& launcher, const std::string& minimum,
                            const std::string& maximum, std::string& path, std::string& version) {
    const std::string& directory = os::pathStyle().runtimesDirectory;
    std::vector<os::DirectoryEntry> entries;
    if (directory.empty() || !os::listDirectory(directory, entries)) return false;
    std::sort(
        entries.begin(), entries.end(),
        [](const os::DirectoryEntry& a, const os::DirectoryEntry& b) { return a.name < b.name; });
    BestRuntime best;
    for (const os::DirectoryEntry& entry : entries) {
        if (entry.name.empty() || entry.name[0] == '.') continue; // package metadata
        std::string candidate, candidateVersion;
        if (javaExeFromHome(launcher, pathUnder(directory, {entry.name}), candidate) &&
            checkJavaExe(launcher, candidate, candidateVersion, minimum, maximum, false))
            best.offer(versionRules(launcher), candidate, candidateVersion);
    }
    return best.take(path, version);
}

bool findRegistryJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                     std::string& path, std::string& version) {
    if (findSystemDirectoryJvm(launcher, minimum, maximum, path, version)) return true;
    if (modernRuntimes(launcher))
        return findKeyFamilyJvm(launcher, minimum, maximum, path, version);
    if (findCurrentVersionJvm(launcher, minimum, maximum, path, version)) return true;
    if (!launcher.properties.flag(Property::RequireJdk) &&
        findEnumeratedJvm(launcher, minimum, maximum, path, version, kRuntimeKey))
        return true;
    return findEnumeratedJvm(launcher, minimum, maximum, path, version, kDevelopmentKitKey);
}

bool findInstalledJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                      std::string& path) {
    std::string registryPath, registryVersion, locatedPath, locatedVersion;
    const bool registry =
        findRegistryJvm(launcher, minimum, maximum, registryPath, registryVersion);
    const bool located = findLocatedJvm(launcher, minimum, maximum, locatedPath, locatedVersion);
    if (registry &&
        (!located || versionRules(launcher).compare(registryVersion, locatedVersion) > 0)) {
        path = registryPath;
        return true;
    }
    if (located) {
        path = locatedPath;
        return true;
    }
    return false;
}

} // namespace lumen
