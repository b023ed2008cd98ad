#include "launcher/pack200.h"

#include "core/java_runtime.h"
#include "launcher/paths.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/system.h"
#include "os/ui.h"

namespace lumen {
namespace {

const char* const kPackedJars[] = {"rt.jar",     "charsets.jar",       "plugin.jar",
                                   "deploy.jar", "ext/localedata.jar", "jsse.jar"};

// A jar of the runtime's lib directory ("ext/x.jar" lies in lib's ext).
std::string libraryJar(const std::string& runtimeDirectory, const std::string& jar) {
    const size_t slash = jar.find('/');
    if (slash == std::string::npos) return pathUnder(runtimeDirectory, {"lib", jar});
    return pathUnder(runtimeDirectory, {"lib", jar.substr(0, slash), jar.substr(slash + 1)});
}

} // namespace

Outcome unpackJar(Launcher& launcher, const std::string& runtimeDirectory, const std::string& jar) {
    const std::string jarPath = libraryJar(runtimeDirectory, jar);
    const std::string packedPath = jarPath + ".pack";
    launcher.log.info("Unpacking %s to %s", packedPath.c_str(), jarPath.c_str());
    if (!fileExists(packedPath)) {
        launcher.log.info("pack path doesn't exists");
        return Outcome();
    }
    unsigned long exitCode = 0;
    if (!os::runHidden(unpack200CommandLine(runtimeDirectory, packedPath, jarPath, os::pathStyle()),
                       "", os::kWaitForever, exitCode)) {
        launcher.log.info("could not create unpack process");
        return Failure::internalError("20");
    }
    if (exitCode == os::kStillActive)
        launcher.log.error("unpack200 did not finish (error %lu)", os::lastErrorCode());
    launcher.log.info("waiting for unpack200 to finish");
    launcher.log.info("unpack done");
    return Outcome();
}

Outcome unpackRuntime(Launcher& launcher, const std::string& runtimeDirectory) {
    if (!fileExists(libraryJar(runtimeDirectory, "rt.jar.pack")) ||
        fileExists(libraryJar(runtimeDirectory, "jsse.jar")))
        return Outcome();
    launcher.log.info("Unpacking JRE");
    os::writeStandardOutput("Preparing JRE ...\n");
    for (const char* jar : kPackedJars)
        if (Outcome unpacked = unpackJar(launcher, runtimeDirectory, jar); !unpacked)
            return unpacked;
    launcher.log.info("Unpacking JRE done");
    return Outcome();
}

} // namespace lumen
