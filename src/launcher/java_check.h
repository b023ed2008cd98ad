// Checking a candidate java.exe: existence, architecture, version (cached
// per user in the registry, keyed by path and invalidated by the file's
// last-write time), the configured range and the windowed-launcher rule;
// and the records of runtimes that the user picked by hand.
//
// Contract: checkJavaExe() normalises the path in place (full, lower-case)
// and, for a windowed launcher (property 107 = 1) whose runtime passed,
// turns it into the javaw.exe path and returns whether that exists. The
// version is cleared once the file is found and left alone otherwise.
// A runtime built for another architecture than the launcher's (its VM
// library's PE header says so) fails before its version is sought.
// Registry failures are silent: a cache that cannot be read is a miss, one
// that cannot be written is skipped. A version that cannot be had (the
// runtime does not answer, or no temporary file for its answer can be
// made) fails the check.
//
// With modern-runtimes (property 30001) a cache miss reads the runtime's
// release file first and starts the runtime only when the file names no
// version; any `<word> version "..."` first line is taken; the range and
// every ordering of versions compare numbers (core/java_version.h); a kit
// is also recognised by bin\javac.exe.
#pragma once

#include <cstdint>
#include <string>

#include "core/java_version.h"
#include "launcher/launcher.h"

namespace lumen {

// Whether the launcher applies today's runtime rules (modern-runtimes).
bool modernRuntimes(const Launcher& launcher);
// The version rules those settle.
VersionRules versionRules(const Launcher& launcher);

// The best runtime of a scan: the first found of the highest version, each
// one taken only when it is greater than the best so far (which starts as
// the empty version).
class BestRuntime {
  public:
    void offer(const VersionRules& rules, const std::string& path, const std::string& version);
    // The best one into path and version; false (both untouched) when none.
    bool take(std::string& path, std::string& version) const;

  private:
    bool found_ = false;
    std::string path_;
    std::string version_;
};

bool checkJavaExe(Launcher& launcher, std::string& path, std::string& version,
                  const std::string& minimum, const std::string& maximum, bool allowPreRelease);
bool checkJavaExe(Launcher& launcher, std::string& path, const std::string& minimum,
                  const std::string& maximum, bool allowPreRelease);

// Maps a runtime home to the java.exe to test; false when the home does not
// qualify (a development kit is required and the home has none).
bool javaExeFromHome(const Launcher& launcher, const std::string& home, std::string& path);

bool readVersionCache(const std::string& path, uint64_t lastWriteTime, std::string& version);
// Which source answered a cached version, kept beside it ("VersionSource":
// "release" or "execution").
enum class VersionSource { Execution, ReleaseFile };
void writeVersionCache(const std::string& path, uint64_t lastWriteTime, const std::string& version,
                       VersionSource source);
// Runs the runtime with " -version" (10 seconds at most) and reads the
// version from the first line it prints on its standard error stream.
bool runJavaVersion(Launcher& launcher, const std::string& path, std::string& version);

void rememberLocatedJvm(const std::string& path);
bool findLocatedJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                    std::string& path, std::string& version);

} // namespace lumen
