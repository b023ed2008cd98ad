// How the platform spells paths, lists of paths and a Java runtime's files.
//
// Contract: a plain value; the OS layer hands out the one for the running
// system (os::pathStyle()), the core's path rules take it as a parameter so
// that both styles are tested on any machine. The launcher's configuration
// keeps ";" between its own list items on every platform; `listSeparator` is
// what the platform's JVM and shell read between entries (the class-path
// option, PATH).
#pragma once

#include <string>
#include <vector>

namespace lumen {

struct PathStyle {
    char separator;
    char listSeparator;
    // Paths are compared without case, so the launcher lower-cases them and
    // may use the system's short names.
    bool foldsCase;
    std::string javaExecutable;         // in a runtime's bin directory
    std::string windowedJavaExecutable; // the same where no console variant exists
    std::string executableSuffix;       // of the runtime's tools (unpack200)
    std::string vmLibrary;              // the file that exports JNI_CreateJavaVM
    std::string architecture;           // a JDK 8 tree's lib/<arch> directory
    // Where the system's package manager installs runtimes, one per
    // sub-directory; empty where the registry tells instead.
    std::string runtimesDirectory;

    static const PathStyle& windows();
    static const PathStyle& posix();
};

// directory + separator + name; no separator is doubled when directory ends
// with one, and an empty directory gives the name alone.
std::string joinPath(const PathStyle& style, const std::string& directory, const std::string& name);

// The candidate VM libraries of one VM kind ("server", "client", ...) for a
// runtime whose java executable sits in javaDirectory (with its trailing
// separator), in the order they are tried.
std::vector<std::string> vmLibraryCandidates(const PathStyle& style,
                                             const std::string& javaDirectory,
                                             const std::string& vmKind);

} // namespace lumen
