// The launcher's entry: switches, the prepared process, and the hand-over
// to the start-up sequence.
//
// Contract: launcherMain() takes the process's full 8-bit command line and
// returns the process's exit code (0) when the start-up sequence returns;
// most runs end inside it through the error routines or the application.
// `consoleFlavour` switches error reports to the standard error stream
// before anything else happens.
#pragma once

#include <string>

namespace lumen {

struct LaunchState {
    std::string commandTail;
    bool quietMode = false;
    bool manualSelection = false;
    char productKind = '\0';
    void* instanceHandle = nullptr;
};

const LaunchState& launchState();

int launcherMain(const std::string& commandLine, void* instance, bool consoleFlavour);

// The install marker: HKCU "SOFTWARE\nordquill\lumen\" value
// "InstallStarted" (REG_DWORD). Failures read as false / are ignored.
bool readInstallStarted();
void writeInstallStarted();

// The PATH value after prepending the configured entries (already resolved
// and joined with the platform's list separator, ";" on Windows): the
// configured part always stays whole; old entries that do not fit the
// 8,192-byte buffer are dropped whole.
std::string prefixedPath(const std::string& configured, const std::string& current,
                         char separator = ';');

} // namespace lumen
