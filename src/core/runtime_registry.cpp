#include "core/runtime_registry.h"

#include <cctype>

namespace lumen {
namespace {

constexpr RuntimeKind kKit = RuntimeKind::DevelopmentKit;
constexpr RuntimeKind kRuntime = RuntimeKind::RuntimeOnly;

// Sources for each row are listed in the README (Which runtimes are found).
const std::array<RuntimeKeyFamily, kRuntimeKeyFamilyCount> kFamilies = {{
    // Java 8 and older; sub-keys "1.8" and "1.8.0_301".
    {"JavaSoft", "SOFTWARE\\JavaSoft\\Java Runtime Environment", "", "", "JavaHome", kRuntime,
     false, true},
    {"JavaSoft", "SOFTWARE\\JavaSoft\\Java Development Kit", "", "", "JavaHome", kKit, false, true},
    // Java 9 and later; sub-keys "17" and "17.0.9".
    {"JavaSoft", "SOFTWARE\\JavaSoft\\JRE", "", "", "JavaHome", kRuntime, true, false},
    {"JavaSoft", "SOFTWARE\\JavaSoft\\JDK", "", "", "JavaHome", kKit, true, false},
    // The Adoptium MSI: <vendor>\<JDK|JRE>\<MSI version>\<VM>\MSI, value Path;
    // sub-keys "17.0.9.9" (the fourth part is the build).
    {"Eclipse Adoptium", "SOFTWARE\\Eclipse Adoptium\\JDK", "", "hotspot\\MSI", "Path", kKit, true,
     false},
    {"Eclipse Adoptium", "SOFTWARE\\Eclipse Adoptium\\JRE", "", "hotspot\\MSI", "Path", kRuntime,
     true, false},
    {"Eclipse Foundation", "SOFTWARE\\Eclipse Foundation\\JDK", "", "hotspot\\MSI", "Path", kKit,
     true, false},
    {"Eclipse Foundation", "SOFTWARE\\Eclipse Foundation\\JRE", "", "hotspot\\MSI", "Path",
     kRuntime, true, false},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JDK", "", "hotspot\\MSI", "Path", kKit, true, false},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JRE", "", "hotspot\\MSI", "Path", kRuntime, true,
     false},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JDK", "", "openj9\\MSI", "Path", kKit, true, false},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JRE", "", "openj9\\MSI", "Path", kRuntime, true,
     false},
    {"Microsoft", "SOFTWARE\\Microsoft\\JDK", "", "hotspot\\MSI", "Path", kKit, true, false},
    {"IBM Semeru", "SOFTWARE\\Semeru\\JDK", "", "openj9\\MSI", "Path", kKit, true, false},
    {"IBM Semeru", "SOFTWARE\\Semeru\\JRE", "", "openj9\\MSI", "Path", kRuntime, true, false},
    // Named keys: "zulu-17", "jdk-17", "jre-17".
    {"Azul Zulu", "SOFTWARE\\Azul Systems\\Zulu", "zulu-", "", "InstallationPath",
     RuntimeKind::Either, true, false},
    {"BellSoft Liberica", "SOFTWARE\\BellSoft\\Liberica", "jdk-", "", "InstallationPath", kKit,
     true, false},
    {"BellSoft Liberica", "SOFTWARE\\BellSoft\\Liberica", "jre-", "", "InstallationPath", kRuntime,
     true, false},
}};

bool sameLetters(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

} // namespace

const std::array<RuntimeKeyFamily, kRuntimeKeyFamilyCount>& runtimeKeyFamilies() {
    return kFamilies;
}

bool runtimeKeyFamilyApplies(const RuntimeKeyFamily& family, bool modern,
                             bool requireDevelopmentKit) {
    if (!family.classic && !modern) return false;
    return !requireDevelopmentKit || family.kind != RuntimeKind::RuntimeOnly;
}

bool registeredVersion(const RuntimeKeyFamily& family, const std::string& subKey,
                       std::string& version) {
    const std::string prefix(family.namePrefix);
    if (subKey.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!sameLetters(subKey[i], prefix[i])) return false;
    version = subKey.substr(prefix.size());
    return true;
}

std::string runtimeHomeKey(const RuntimeKeyFamily& family, const std::string& subKey) {
    std::string key = std::string(family.key) + "\\" + subKey;
    if (*family.tail != '\0') key += std::string("\\") + family.tail;
    return key;
}

} // namespace lumen
