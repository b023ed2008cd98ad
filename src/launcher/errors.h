// Error reports and the launcher's one way out of the process.
//
// Contract: every report first hands the unpacked files to the deferred
// deletion lists and takes the splash screen down, then shows the text
// followed by a blank line and "Log: " with the log's long path, in a
// message box (owned by the current error owner; caption: property 1000, or
// wide property 20013) or, once disableErrorBoxes() ran, on the standard
// error stream. Reports return. exitWithFailure() is the only place besides
// the entry that ends the process: it shows the failure's report unless
// another thread already did, schedules the unpacked files when the failure
// asks for it, and exits with the failure's code; exit handlers do not run.
#pragma once

#include <string>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

void showError(Launcher& launcher, const std::string& text);
void showErrorWide(Launcher& launcher, const std::u16string& text);
// A configured message with the first occurrence of placeholder replaced.
void showMessage(Launcher& launcher, Property message, const std::string& placeholder = "",
                 const std::string& replacement = "");

// Shows what the failure asks for (nothing for a plain exit).
void reportFailure(Launcher& launcher, const Failure& failure);
[[noreturn]] void exitWithFailure(Launcher& launcher, const Failure& failure);

void setErrorOwner(Launcher& launcher, void* window);
// Forgets `window` as the owner of the message boxes when it still is:
// called before the window goes, since a box with a destroyed owner would
// never appear.
void releaseErrorOwner(Launcher& launcher, void* window);
void disableErrorBoxes(Launcher& launcher);

void scheduleIncludedFilesDeletion(Launcher& launcher);

} // namespace lumen
