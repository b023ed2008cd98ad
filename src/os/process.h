// Child processes.
#pragma once

#include <string>

namespace lumen::os {

constexpr unsigned long kWaitForever = 0xFFFFFFFFul;
constexpr unsigned long kStillActive = 259;

// Starts a command line with its window hidden, inheriting handles, in the
// launcher's environment and current directory. When standardErrorFile is
// not empty, the child's standard error goes to that file (created or
// replaced) and its other standard handles are null. Waits up to timeoutMs;
// a child still running then is terminated and exitCode stays
// kStillActive. Returns false when the process could not be started (the
// error file is then deleted).
bool runHidden(const std::string& commandLine, const std::string& standardErrorFile,
               unsigned long timeoutMs, unsigned long& exitCode);

} // namespace lumen::os
