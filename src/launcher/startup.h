// The start-up sequence: from a prepared process to the running Java
// application.
//
// Contract: runStartup() unpacks the included files, obtains a runtime,
// launches the JVM and returns when the application has finished; it ends
// the process on every failure (exit code 1, or 83 in quiet mode when no
// runtime is found). dialog is the progress dialog (the sequence then runs
// on its worker thread and reports through it) or null in quiet mode and
// where there are no windows. Without a dialog a missing runtime is only
// logged, unless reportMissingRuntime asks for its message (1001) as well.
#pragma once

namespace lumen {
void runStartup(void* dialog, bool reportMissingRuntime = false);
} // namespace lumen
