// The launcher without windows draws no splash screen of its own:
// showSplash() starts nothing, and hideSplash() only keeps the flag, so that
// the error reports behave as on Windows. With the splash at start-up on,
// the runtime draws it: its splash-screen library (beside the VM library's
// directory, as the java launcher finds it) gets the unpacked picture
// before the JVM exists, and java.awt.SplashScreen then finds it up.
#include "launcher/splash.h"

#include "core/included_names.h"
#include "core/path_style.h"
#include "os/library.h"
#include "os/paths.h"

namespace lumen {
namespace {

const char kSplashLibrary[] = "libsplashscreen.so";

// The runtime's splash-screen library lies one directory above the VM
// library's (lib/server/libjvm.so and lib/libsplashscreen.so; JDK 8:
// jre/lib/amd64/server and jre/lib/amd64).
std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// "x;y;points;weight;r,g,b;face;text": the Java side draws the line where
// and how the Windows splash window does.
std::string lineLayout(const Launcher& launcher, Property x, Property y, Property size,
                       Property weight, Property colour, Property face, Property text) {
    const Properties& p = launcher.properties;
    return std::to_string(p.integer(x)) + ";" + std::to_string(p.integer(y)) + ";" +
           std::to_string(p.integer(size)) + ";" + std::to_string(p.integer(weight)) + ";" +
           p.text(colour) + ";" + p.text(face) + ";" + p.text(text);
}

} // namespace

std::vector<std::pair<std::string, std::string>> runtimeSplashProperties(const Launcher& launcher) {
    if (!launcher.splash.atStartup || !splashStarted(launcher) ||
        launcher.splash.closed.load(std::memory_order_acquire))
        return {};
    return {{"lumen.splash.status",
             lineLayout(launcher, Property::SplashStatusX, Property::SplashStatusY,
                        Property::SplashStatusFontSize, Property::SplashStatusFontWeight,
                        Property::SplashStatusColour, Property::SplashStatusFont,
                        Property::SplashStatusText)},
            {"lumen.splash.version",
             lineLayout(launcher, Property::SplashVersionX, Property::SplashVersionY,
                        Property::SplashVersionFontSize, Property::SplashVersionFontWeight,
                        Property::SplashVersionColour, Property::SplashVersionFont,
                        Property::SplashVersionText)}};
}

void showSplash(Launcher& /*launcher*/, int /*showCommand*/) {}

void hideSplash(Launcher& launcher) {
    launcher.splash.closed.store(true, std::memory_order_release);
    launcher.splash.started.store(true, std::memory_order_release);
}

void suspendSplash(Launcher& /*launcher*/) {}
void resumeSplash(Launcher& /*launcher*/) {}
void setSplashStartupText(Launcher& /*launcher*/, Property /*text*/) {}

void showRuntimeSplash(Launcher& launcher) {
    if (!launcher.splash.atStartup || launcher.extractionDirectory.empty() ||
        launcher.jvm.libraryPath.empty())
        return;
    const std::string picture =
        joinPath(os::pathStyle(), launcher.extractionDirectory, kRuntimeSplashFileName);
    const std::string directory = parentOf(parentOf(launcher.jvm.libraryPath));
    const std::string library = joinPath(os::pathStyle(), directory, kSplashLibrary);
    // Stays loaded: the JVM's java.awt.SplashScreen loads the same library
    // and finds the splash screen this one shows.
    unsigned long searchError = 0;
    void* handle = os::loadLibrary(library, directory, searchError);
    if (handle == nullptr) {
        launcher.log.error("Could not load %s", library.c_str());
        return;
    }
    using Init = void (*)();
    using LoadFile = int (*)(const char*);
    using SetFileJarName = void (*)(const char*, const char*);
    auto init = reinterpret_cast<Init>(os::libraryFunction(handle, "SplashInit"));
    auto loadFile = reinterpret_cast<LoadFile>(os::libraryFunction(handle, "SplashLoadFile"));
    auto setName =
        reinterpret_cast<SetFileJarName>(os::libraryFunction(handle, "SplashSetFileJarName"));
    if (init == nullptr || loadFile == nullptr) {
        launcher.log.error("%s has no splash screen functions", library.c_str());
        return;
    }
    init();
    if (loadFile(picture.c_str()) == 0) {
        launcher.log.error("The splash screen could not show %s", picture.c_str());
        return;
    }
    if (setName != nullptr) setName(picture.c_str(), nullptr);
    launcher.splash.started.store(true, std::memory_order_release);
    launcher.log.info("Splash screen shown: %s", picture.c_str());
}

} // namespace lumen
