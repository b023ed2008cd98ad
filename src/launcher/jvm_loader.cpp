#include "launcher/jvm_loader.h"

#include "launcher/errors.h"
#include "launcher/java_check.h"
#include "launcher/jvm_search.h"
#include "launcher/paths.h"
#include "launcher/runtime_files.h"
#include "os/library.h"

namespace lumen {
namespace {

void showLoadFailure(Launcher& launcher, JvmSource source, const std::string& name) {
    switch (source) {
    case JvmSource::OnSearchPath:
        showMessage(launcher, Property::MessageRuntimeOnPathDamaged);
        break;
    case JvmSource::FromEnvironment:
        showMessage(launcher, Property::MessageRuntimeVariableUnusable, "%ENV_VAR_NAME%", name);
        break;
    case JvmSource::AtLocation:
        showMessage(launcher, Property::MessageRuntimeLocationDamaged, "%DEFINED_PATH%", name);
        break;
    default:
        showMessage(launcher, Property::MessageJvmStartFailed);
        break;
    }
}

} // namespace

void* loadJvmLibrary(Launcher& launcher, const std::string& javaExe) {
    for (const VmLibrary& library : vmLibraryPaths(launcher, javaExe)) {
        const bool exists = fileExists(library.path);
        launcher.log.info("Trying %s (exists %d)", library.path.c_str(), exists ? 1 : 0);
        // A library of the other architecture would only fail to load.
        if (exists && !vmLibraryFits(launcher, library.path)) continue;
        // The runtime's bin directory holds the DLLs that jvm.dll itself needs.
        const std::string fullPath = launcher.paths.full(library.path, true);
        unsigned long searchError = 0;
        void* loaded = os::loadLibrary(fullPath, launcher.paths.full(library.binDirectory, true),
                                       searchError);
        if (searchError != 0)
            launcher.log.error("SetDllDirectory around loading %s failed (error %lu)",
                               library.path.c_str(), searchError);
        if (loaded != nullptr) {
            launcher.jvm.libraryPath = fullPath;
            return loaded;
        }
    }
    return nullptr;
}

bool resolveCreateJavaVM(Launcher& launcher, void* library) {
    void* function = os::libraryFunction(library, "JNI_CreateJavaVM");
    if (function == nullptr) return false;
    launcher.jvm.createJavaVm = function;
    return true;
}

Result<bool> loadJvm(Launcher& launcher, const JvmRequest& request, ShowErrors showErrors) {
    const bool handedIn = request.from != JvmRequest::From::Search;
    const bool isExe = request.from == JvmRequest::From::JavaExe;
    const bool show = showErrors == ShowErrors::Yes;
    launcher.log.info("LoadDLL (%d, %s, %d)", show ? 1 : 0,
                      handedIn ? request.location.c_str() : "(null)", isExe ? 1 : 0);
    std::string javaExe;
    std::string name;
    JvmSource source = JvmSource::NotFound;
    if (handedIn) {
        launcher.log.info("Got JRE location %s (java exe: %d)", request.location.c_str(),
                          isExe ? 1 : 0);
        const std::string minimum = launcher.properties.text(Property::MinimumJavaVersion);
        const std::string maximum = launcher.properties.text(Property::MaximumJavaVersion);
        launcher.log.info("MinVersion: %s, MaxVersion: %s", minimum.c_str(), maximum.c_str());
        javaExe = request.location;
        bool accepted = false;
        if (isExe) {
            accepted = checkJavaExe(launcher, javaExe, minimum, maximum, true);
        } else {
            const Result<bool> usable =
                testLocation(launcher, javaExe, request.location, minimum, maximum, true);
            if (!usable) return usable.failure();
            accepted = usable.value();
        }
        if (!accepted) {
            launcher.log.error("Provided JVM unusable");
            if (show) showMessage(launcher, Property::MessageNoRuntime);
            return false;
        }
        source = JvmSource::AtLocation;
        name = request.location;
    } else {
        const Result<JvmSource> found = searchJvm(launcher, javaExe, name);
        if (!found) return found.failure();
        source = found.value();
        if (source == JvmSource::NotFound) {
            launcher.log.error("No JVM found");
            if (show) showMessage(launcher, Property::MessageNoRuntime);
            return false;
        }
    }

    launcher.log.info("Trying to load JVM-DLL from %s", javaExe.c_str());
    void* library = loadJvmLibrary(launcher, javaExe);
    if (library == nullptr) launcher.log.error("Could not get DLL-Handle.");
    if (library != nullptr && resolveCreateJavaVM(launcher, library)) {
        launcher.log.info("Loading of JVM-DLL successful");
        return true;
    }
    launcher.log.error("Could not load functions");
    if (show) showLoadFailure(launcher, source, name);
    return false;
}

} // namespace lumen
