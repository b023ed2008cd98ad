// The start-up sequence: from a prepared process to the running Java
// application.
//
// Contract: runStartup() unpacks the included files, obtains a runtime,
// launches the JVM and returns when the application has finished; it ends
// the process on every failure (exit code 1, or 83 in quiet mode when no
// runtime is found). dialog is the progress dialog or null in quiet mode.
// runDialogMode() shows the progress dialog and runs the sequence on a
// worker thread; the dialogs are not built into this launcher yet, so it
// logs that and ends with exit code 1, never reporting a false success.
#pragma once

namespace lumen {
void runStartup(void* dialog);
void runDialogMode();
} // namespace lumen
