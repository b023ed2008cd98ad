#include "launcher/jvm_loader.h"

#include "core/java_runtime.h"
#include "launcher/errors.h"
#include "launcher/java_check.h"
#include "launcher/jvm_entry.h"
#include "launcher/jvm_search.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "os/library.h"
#include "os/paths.h"

namespace lumen {
namespace {

const char* const kVmSubdirectories[] = {"hotspot", "client", "server", "classic"};

void showLoadFailure(int source, const std::string& name) {
    switch (source) {
    case kJvmOnSearchPath:
        showMessage(1002);
        break;
    case kJvmFromEnvironment:
        showMessage(1003, "%ENV_VAR_NAME%", name);
        break;
    case kJvmAtLocation:
        showMessage(1004, "%DEFINED_PATH%", name);
        break;
    default:
        showMessage(1005);
        break;
    }
}

} // namespace

void* tryJvmLibrary(const std::string& javaExe, const std::string& subdirectory) {
    const std::string directory = javaExeDirectory(javaExe, os::pathStyle());
    for (const std::string& library :
         vmLibraryCandidates(os::pathStyle(), directory, subdirectory)) {
        const bool exists = fileExists(library);
        logInfo("Trying %s (exists %d)", library.c_str(), exists ? 1 : 0);
        // The runtime's bin directory holds the DLLs that jvm.dll itself needs.
        void* loaded = os::loadLibrary(fullPath(library, true), fullPath(directory, true));
        if (loaded != nullptr) return loaded;
    }
    return nullptr;
}

void* loadJvmLibraryNear(const std::string& javaExe) {
    void* library = nullptr;
    const std::string preferred = stringProperty(152);
    if (!preferred.empty()) library = tryJvmLibrary(javaExe, preferred);
    for (const char* subdirectory : kVmSubdirectories) {
        if (library != nullptr) break;
        library = tryJvmLibrary(javaExe, subdirectory);
    }
    return library;
}

void* loadJvmLibrary(const std::string& javaExe) {
    void* library = loadJvmLibraryNear(javaExe);
    if (library != nullptr) return library;
    const PathStyle& style = os::pathStyle();
    return loadJvmLibraryNear(
        pathUnder(javaExeDirectory(javaExe, style) + "..", {"jre", "bin", style.javaExecutable}));
}

bool resolveCreateJavaVM(void* library) {
    void* function = os::libraryFunction(library, "JNI_CreateJavaVM");
    if (function == nullptr) return false;
    setCreateJavaVmFunction(function);
    return true;
}

bool LoadDLL(bool showErrors, const std::string* location, bool locationIsExe) {
    logInfo("LoadDLL (%d, %s, %d)", showErrors ? 1 : 0,
            location != nullptr ? location->c_str() : "(null)", locationIsExe ? 1 : 0);
    std::string javaExe;
    std::string name;
    int source = kJvmNotFound;
    if (location != nullptr) {
        logInfo("Got JRE location %s (java exe: %d)", location->c_str(), locationIsExe ? 1 : 0);
        const std::string minimum = stringProperty(126);
        const std::string maximum = stringProperty(127);
        logInfo("MinVersion: %s, MaxVersion: %s", minimum.c_str(), maximum.c_str());
        javaExe = *location;
        const bool accepted = locationIsExe
                                  ? checkJavaExe(javaExe, minimum, maximum, true)
                                  : testLocation(javaExe, *location, minimum, maximum, true);
        if (!accepted) {
            logError("Provided JVM unusable");
            if (showErrors) showMessage(1001);
            return false;
        }
        source = kJvmAtLocation;
        name = *location;
    } else {
        source = searchJvm(javaExe, name);
        if (source == kJvmNotFound) {
            logError("No JVM found");
            if (showErrors) showMessage(1001);
            return false;
        }
    }

    logInfo("Trying to load JVM-DLL from %s", javaExe.c_str());
    void* library = loadJvmLibrary(javaExe);
    if (library == nullptr) logError("Could not get DLL-Handle.");
    if (library != nullptr && resolveCreateJavaVM(library)) {
        logInfo("Loading of JVM-DLL successful");
        return true;
    }
    logError("Could not load functions");
    if (showErrors) showLoadFailure(source, name);
    return false;
}

} // namespace lumen
