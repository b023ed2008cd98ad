// The start-up sequence: from a prepared process to the running Java
// application.
//
// Contract: runStartup() runs on the calling thread (the main thread in
// quiet mode); runDialogMode() shows the progress dialog, runs the sequence
// on a worker thread and returns when the dialog ends. Neither sequence is
// built into this launcher yet: each logs that and ends the process with
// exit code 1, so a launcher never reports success without starting Java.
#pragma once

namespace lumen {
void runStartup();
void runDialogMode();
} // namespace lumen
