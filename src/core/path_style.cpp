#include "core/path_style.h"

namespace lumen {

const PathStyle& PathStyle::windows() {
    static const PathStyle style{'\\',   ';',       true, "java.exe", "javaw.exe",
                                 ".exe", "jvm.dll", "",   ""};
    return style;
}

const PathStyle& PathStyle::posix() {
#if defined(__aarch64__)
    static const char* const architecture = "aarch64";
#elif defined(__i386__)
    static const char* const architecture = "i386";
#else
    static const char* const architecture = "amd64";
#endif
    static const PathStyle style{'/', ':',         false,        "java",        "java",
                                 "",  "libjvm.so", architecture, "/usr/lib/jvm"};
    return style;
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
