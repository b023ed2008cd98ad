#include "launcher/jvm_search.h"

#include <cstdio>

#include "core/java_runtime.h"
#include "core/property_store.h"
#include "launcher/installed_jvms.h"
#include "launcher/java_check.h"
#include "launcher/log.h"
#include "launcher/pack200.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "os/env.h"
#include "os/paths.h"

namespace lumen {
namespace {

const char kPreferredLocation[] = "pref_jre.cfg";
const char kInstallerLocation[] = "inst_jre.cfg";

// The product's own home variable, consulted after the configured sequence.
const char* productHomeVariable() {
    char kind[2];
    getStringProperty(2001, kind, sizeof kind);
    switch (kind[0]) {
    case 'e':
        return "LUMEN_JAVA_HOME";
    case 'i':
        return "TESSEL_JAVA_HOME";
    default:
        return nullptr;
    }
}

} // namespace

bool readLocationFile(std::string& line, const std::string& name) {
    const std::string path = pathUnder(fullPath(stringProperty(10003)), {".tessel", name});
    std::FILE* file = std::fopen(path.c_str(), "rt");
    if (file == nullptr) return false;
    std::string buffer(kTextBufferSize, '\0');
    const bool read = std::fgets(&buffer[0], static_cast<int>(buffer.size()), file) != nullptr;
    std::fclose(file);
    if (!read) return false;
    line.assign(buffer.c_str());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

bool testLocation(std::string& path, const std::string& location, const std::string& minimum,
                  const std::string& maximum, bool acceptWithoutCheck) {
    const std::string home = fullPath(location);
    unpackRuntime(home);
    const bool qualifies = javaExeFromHome(home, path);
    if (acceptWithoutCheck) return true;
    return qualifies && checkJavaExe(path, minimum, maximum, true);
}

bool testEnvironmentVariable(std::string& path, const std::string& variable,
                             const std::string& minimum, const std::string& maximum) {
    std::string home;
    if (!os::getEnv(variable, home) || home.empty()) return false;
    return javaExeFromHome(home, path) && checkJavaExe(path, minimum, maximum, false);
}

bool testSearchPath(std::string& path, const std::string& minimum, const std::string& maximum) {
    return os::searchPath(os::pathStyle().javaExecutable, path) &&
           checkJavaExe(path, minimum, maximum, false);
}

int searchJvm(std::string& path, std::string& name) {
    logInfo("Searching for a JVM");
    const std::string sequence = stringProperty(128);
    const std::string minimum = stringProperty(126);
    const std::string maximum = stringProperty(127);

    std::string line;
    if (readLocationFile(line, kPreferredLocation)) {
        logInfo("Has preferred location %s", line.c_str());
        if (testLocation(path, line, minimum, maximum, false)) {
            logInfo("Using preferred location");
            name = line;
            return kJvmAtLocation;
        }
    }

    const std::vector<SearchEntry> entries = parseSearchSequence(sequence);
    for (const SearchEntry& entry : entries) {
        logInfo("Testing location %s (type %c)", entry.argument.c_str(), entry.letter);
        switch (entry.letter) {
        case 'A':
        case 'B':
        case 'R':
            if (testLocation(path, entry.argument, minimum, maximum, false)) {
                name = entry.argument;
                return kJvmAtLocation;
            }
            break;
        case 'E':
            if (testEnvironmentVariable(path, entry.argument, minimum, maximum)) {
                name = entry.argument;
                return kJvmFromEnvironment;
            }
            break;
        case 'S':
            if (testSearchPath(path, minimum, maximum)) {
                name = entry.argument;
                return kJvmOnSearchPath;
            }
            break;
        case 'Y':
            if (findInstalledJvm(minimum, maximum, path)) {
                name.clear();
                return kJvmFromRegistry;
            }
            break;
        default:
            break;
        }
    }
    logInfo("Search sequence finished");

    if (const char* variable = productHomeVariable()) {
        if (testEnvironmentVariable(path, variable, minimum, maximum)) {
            name = variable;
            return kJvmFromEnvironment;
        }
    }

    if (readLocationFile(line, kInstallerLocation)) {
        logInfo("Has installer location %s", line.c_str());
        if (testLocation(path, line, minimum, maximum, false)) {
            logInfo("Using installer location");
            name = line;
            return kJvmAtLocation;
        }
    }

    for (const SearchEntry& entry : entries) {
        if (entry.letter != 'B') continue;
        logInfo("Testing bundle location %s", entry.argument.c_str());
        testLocation(path, entry.argument, minimum, maximum, true);
        if (fileExists(path)) {
            logInfo("%s exists", path.c_str());
            name = entry.argument;
            return kJvmAtLocation;
        }
    }
    return kJvmNotFound;
}

} // namespace lumen
