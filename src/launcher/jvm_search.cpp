#include "launcher/jvm_search.h"

#include <cstdio>
#include <cstring>

#include "core/java_runtime.h"
#include "core/property_store.h"
#include "launcher/installed_jvms.h"
#include "launcher/java_check.h"
#include "launcher/pack200.h"
#include "launcher/paths.h"
#include "os/env.h"
#include "os/paths.h"

namespace lumen {
namespace {

// In the application directory's ".tessel" folder: file names the
// installers built on the launcher write (stored formats, kept as they are).
const char kPreferredLocation[] = "pref_jre.cfg";
const char kInstallerLocation[] = "inst_jre.cfg";

// The product's own home variable, consulted after the configured sequence.
// The installer kind keeps the variable its installers have always set.
const char* productHomeVariable(const Launcher& launcher) {
    switch (launcher.properties.productKind()) {
    case 'e':
        return "LUMEN_JAVA_HOME";
    case 'i':
        return "TESSEL_JAVA_HOME";
    default:
        return nullptr;
    }
}

} // namespace

bool readLocationFile(const Launcher& launcher, std::string& line, const std::string& name) {
    const std::string path =
        pathUnder(launcher.paths.full(launcher.properties.text(Property::ApplicationDirectory)),
                  {".tessel", name});
    std::FILE* file = std::fopen(path.c_str(), "rt");
    if (file == nullptr) return false;
    std::string buffer(kTextBufferSize, '\0');
    const bool read = std::fgets(&buffer[0], static_cast<int>(buffer.size()), file) != nullptr;
    (void)std::fclose(file); // read-only: nothing to lose
    if (!read) return false;
    line.assign(buffer.data(), std::strlen(buffer.data()));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

Result<bool> testLocation(Launcher& launcher, std::string& path, const std::string& location,
                          const std::string& minimum, const std::string& maximum,
                          bool acceptWithoutCheck) {
    const std::string home = launcher.paths.full(location);
    if (Outcome unpacked = unpackRuntime(launcher, home); !unpacked) return unpacked.failure();
    const bool qualifies = javaExeFromHome(launcher, home, path);
    if (acceptWithoutCheck) return true;
    return qualifies && checkJavaExe(launcher, path, minimum, maximum, true);
}

bool testEnvironmentVariable(Launcher& launcher, std::string& path, const std::string& variable,
                             const std::string& minimum, const std::string& maximum) {
    std::string home;
    if (!os::getEnv(variable, home) || home.empty()) return false;
    return javaExeFromHome(launcher, home, path) &&
           checkJavaExe(launcher, path, minimum, maximum, false);
}

bool testSearchPath(Launcher& launcher, std::string& path, const std::string& minimum,
                    const std::string& maximum) {
    return os::searchPath(os::pathStyle().javaExecutable, path) &&
           checkJavaExe(launcher, path, minimum, maximum, false);
}

Result<JvmSource> searchJvm(Launcher& launcher, std::string& path, std::string& name) {
    launcher.log.info("Searching for a JVM");
    const std::string sequence = launcher.properties.text(Property::SearchSequence);
    const std::string minimum = launcher.properties.text(Property::MinimumJavaVersion);
    const std::string maximum = launcher.properties.text(Property::MaximumJavaVersion);

    std::string line;
    if (readLocationFile(launcher, line, kPreferredLocation)) {
        launcher.log.info("Has preferred location %s", line.c_str());
        const Result<bool> usable = testLocation(launcher, path, line, minimum, maximum, false);
        if (!usable) return usable.failure();
        if (usable.value()) {
            launcher.log.info("Using preferred location");
            name = line;
            return JvmSource::AtLocation;
        }
    }

    const std::vector<SearchEntry> entries = parseSearchSequence(sequence);
    for (const SearchEntry& entry : entries) {
        launcher.log.info("Testing location %s (type %c)", entry.argument.c_str(), entry.letter);
        switch (entry.letter) {
        case 'A':
        case 'B':
        case 'R': {
            const Result<bool> usable =
                testLocation(launcher, path, entry.argument, minimum, maximum, false);
            if (!usable) return usable.failure();
            if (usable.value()) {
                name = entry.argument;
                return JvmSource::AtLocation;
            }
            break;
        }
        case 'E':
            if (testEnvironmentVariable(launcher, path, entry.argument, minimum, maximum)) {
                name = entry.argument;
                return JvmSource::FromEnvironment;
            }
            break;
        case 'S':
            if (testSearchPath(launcher, path, minimum, maximum)) {
                name = entry.argument;
                return JvmSource::OnSearchPath;
            }
            break;
        case 'Y':
            if (findInstalledJvm(launcher, minimum, maximum, path)) {
                name.clear();
                return JvmSource::FromRegistry;
            }
            break;
        default:
            break;
        }
    }
    launcher.log.info("Search sequence finished");

    if (const char* variable = productHomeVariable(launcher)) {
        if (testEnvironmentVariable(launcher, path, variable, minimum, maximum)) {
            name = variable;
            return JvmSource::FromEnvironment;
        }
    }

    if (readLocationFile(launcher, line, kInstallerLocation)) {
        launcher.log.info("Has installer location %s", line.c_str());
        const Result<bool> usable = testLocation(launcher, path, line, minimum, maximum, false);
        if (!usable) return usable.failure();
        if (usable.value()) {
            launcher.log.info("Using installer location");
            name = line;
            return JvmSource::AtLocation;
        }
    }

    for (const SearchEntry& entry : entries) {
        if (entry.letter != 'B') continue;
        launcher.log.info("Testing bundle location %s", entry.argument.c_str());
        const Result<bool> tested =
            testLocation(launcher, path, entry.argument, minimum, maximum, true);
        if (!tested) return tested.failure();
        if (fileExists(path)) {
            launcher.log.info("%s exists", path.c_str());
            name = entry.argument;
            return JvmSource::AtLocation;
        }
    }
    return JvmSource::NotFound;
}

} // namespace lumen
