// Child processes.
#pragma once

#include <string>

namespace lumen::os {

constexpr unsigned long kWaitForever = 0xFFFFFFFFul;
constexpr unsigned long kStillActive = 259;

// Starts a command line with its window hidden, in the launcher's
// environment and current directory. When standardErrorFile is not empty,
// the child's standard error goes to that file (created or replaced) and
// its other standard handles are null. The child inherits no handle of the
// launcher but that file's (on Windows before Vista, which has no handle
// list, it inherits the launcher's inheritable handles). Waits up to
// timeoutMs; a child still running then, or one whose wait or exit code
// failed, is terminated and exitCode stays kStillActive, with the error
// code left for lastErrorCode() (WAIT_TIMEOUT or ETIMEDOUT for the time
// running out). Returns false when the process could not be started (the
// error file is then deleted).
bool runHidden(const std::string& commandLine, const std::string& standardErrorFile,
               unsigned long timeoutMs, unsigned long& exitCode);

} // namespace lumen::os
