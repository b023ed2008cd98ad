// The start-up sequence: from a prepared process to the running Java
// application.
//
// Contract: runStartup() unpacks the included files, obtains a runtime,
// launches the JVM and succeeds when the application has finished; every
// failure comes back as a value (exit code 1, or 83 in quiet mode when no
// runtime is found). dialog is the progress dialog (the sequence then runs
// on its worker thread and shows its progress there) or null in quiet mode
// and where there are no windows. Without a dialog a missing runtime is
// only logged, unless reportMissingRuntime asks for its message (1001) as
// well. The extraction directory becomes the launcher's and the process's
// current directory (the application's working directory); the sequence
// itself passes paths explicitly. With the splash at start-up, its status
// line follows the steps (unpacking, looking for a runtime, starting the
// JVM) and it is suspended while the runtime-not-found dialog or the
// download's progress is up.
#pragma once

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {
[[nodiscard]] Outcome runStartup(Launcher& launcher, void* dialog,
                                 bool reportMissingRuntime = false);
} // namespace lumen
