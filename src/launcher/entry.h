// The launcher's entry: switches, the prepared process, and the hand-over
// to the start-up sequence.
//
// Contract: launcherMain() takes the process's full 8-bit command line and
// returns the process's exit code (0) when the quiet start-up sequence
// returns; every other run ends here through exitWithFailure() (the entry
// is, with errors.cpp, the only place that ends the process) or inside the
// application. `consoleFlavour` switches error reports to the standard
// error stream before anything else happens. The launcher must outlive
// every thread the run starts.
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {

int launcherMain(Launcher& launcher, const std::string& commandLine, void* instance,
                 bool consoleFlavour);

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
