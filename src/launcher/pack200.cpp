#include "launcher/pack200.h"

#include "core/java_runtime.h"
#include "launcher/errors.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "os/paths.h"
#include "os/process.h"
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

void unpackJar(const std::string& runtimeDirectory, const std::string& jar) {
    const std::string jarPath = libraryJar(runtimeDirectory, jar);
    const std::string packedPath = jarPath + ".pack";
    logInfo("Unpacking %s to %s", packedPath.c_str(), jarPath.c_str());
    if (!fileExists(packedPath)) {
        logInfo("pack path doesn't exists");
        return;
    }
    unsigned long exitCode = 0;
    if (!os::runHidden(unpack200CommandLine(runtimeDirectory, packedPath, jarPath, os::pathStyle()),
                       "", os::kWaitForever, exitCode)) {
        logInfo("could not create unpack process");
        fatalMessage(1009, "%ERROR_CODE%", "20");
    }
    logInfo("waiting for unpack200 to finish");
    logInfo("unpack done");
}

void unpackRuntime(const std::string& runtimeDirectory) {
    if (!fileExists(libraryJar(runtimeDirectory, "rt.jar.pack")) ||
        fileExists(libraryJar(runtimeDirectory, "jsse.jar")))
        return;
    logInfo("Unpacking JRE");
    os::writeStandardOutput("Preparing JRE ...\n");
    for (const char* jar : kPackedJars)
        unpackJar(runtimeDirectory, jar);
    logInfo("Unpacking JRE done");
}

} // namespace lumen
