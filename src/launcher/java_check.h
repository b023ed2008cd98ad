// Checking a candidate java.exe: existence, version (cached per user in the
// registry, keyed by path and invalidated by the file's last-write time),
// the configured range and the windowed-launcher rule; and the records of
// runtimes that the user picked by hand.
//
// Contract: checkJavaExe() normalises the path in place (full, lower-case)
// and, for a windowed launcher (property 107 = 1) whose runtime passed,
// turns it into the javaw.exe path and returns whether that exists. The
// version is cleared once the file is found and left alone otherwise.
// Registry failures are silent: a cache that cannot be read is a miss, one
// that cannot be written is skipped. A version that cannot be had (the
// runtime does not answer, or no temporary file for its answer can be
// made) fails the check.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/launcher.h"

namespace lumen {

bool checkJavaExe(Launcher& launcher, std::string& path, std::string& version,
                  const std::string& minimum, const std::string& maximum, bool allowPreRelease);
bool checkJavaExe(Launcher& launcher, std::string& path, const std::string& minimum,
                  const std::string& maximum, bool allowPreRelease);

// Maps a runtime home to the java.exe to test; false when the home does not
// qualify (a development kit is required and the home has none).
bool javaExeFromHome(const Launcher& launcher, const std::string& home, std::string& path);

bool readVersionCache(const std::string& path, uint64_t lastWriteTime, std::string& version);
void writeVersionCache(const std::string& path, uint64_t lastWriteTime, const std::string& version);
// Runs the runtime with " -version" (10 seconds at most) and reads the
// version from the first line it prints on its standard error stream.
bool runJavaVersion(Launcher& launcher, const std::string& path, std::string& version);

void rememberLocatedJvm(const std::string& path);
bool findLocatedJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                    std::string& path, std::string& version);

} // namespace lumen
