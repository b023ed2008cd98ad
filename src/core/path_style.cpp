#include "core/path_style.h"

namespace lumen {

namespace {

#if defined(__aarch64__)
constexpr const char* kPosixArchitecture = "aarch64";
#elif defined(__i386__)
constexpr const char* kPosixArchitecture = "i386";
#else
constexpr const char* kPosixArchitecture = "amd64";
#endif

// Built before main rather than on first use: the first callers may be on
// different threads, and a function-local static would need the run-time's
// guard (and, in the Windows stub, the threads library behind it).
const PathStyle kWindowsStyle{'\\', ';', true, "java.exe", "javaw.exe", ".exe", "jvm.dll", "", ""};
const PathStyle kPosixStyle{
    '/', ':', false, "java", "java", "", "libjvm.so", kPosixArchitecture, "/usr/lib/jvm"};

} // namespace

const PathStyle& PathStyle::windows() {
    return kWindowsStyle;
}

const PathStyle& PathStyle::posix() {
    return kPosixStyle;
}

std::string joinPath(const PathStyle& style, const std::string& directory,
                     const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == style.separator) return directory + name;
    return directory + style.separator + name;
}

std::vector<std::string> vmLibraryCandidates(const PathStyle& style,
                                             const std::string& javaDirectory,
                                             const std::string& vmKind) {
    const char s = style.separator;
    if (style.architecture.empty()) return {javaDirectory + vmKind + s + style.vmLibrary};
    // bin/java -> lib/<kind> (JDK 9 and later), lib/<arch>/<kind> and
    // jre/lib/<arch>/<kind> (JDK 8 and earlier).
    const std::string home = javaDirectory + ".." + s;
    const std::string tail = vmKind + s + style.vmLibrary;
    return {home + "lib" + s + tail, home + "lib" + s + style.architecture + s + tail,
            home + "jre" + s + "lib" + s + style.architecture + s + tail};
}

} // namespace lumen
