// The start-up sequence: from a prepared process to the running Java
// application.
//
// Contract: runStartup() unpacks the included files, obtains a runtime,
// launches the JVM and returns when the application has finished; it ends
// the process on every failure (exit code 1, or 83 in quiet mode when no
// runtime is found). dialog is the progress dialog or null in quiet mode.
// Without a dialog a missing runtime is only logged, unless
// reportMissingRuntime asks for its message (message 1001) as well.
//
// runDialogMode() is the start of a launcher run without "-q". On Windows
// it shows the progress dialog and runs the sequence on a worker thread;
// the dialogs are not built into this launcher yet, so it logs that and
// ends with exit code 1, never reporting a false success. Where there are no
// windows (POSIX) it runs the sequence directly and reports a missing
// runtime with its message.
#pragma once

namespace lumen {
void runStartup(void* dialog, bool reportMissingRuntime = false);
void runDialogMode();
} // namespace lumen
