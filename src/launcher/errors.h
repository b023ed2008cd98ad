// Error reports and error exits.
//
// Contract: every report first hands the unpacked files to the deferred
// deletion lists and takes the splash screen down, then shows the text
// followed by a blank line and "Log: " with the log's long path, in a
// message box (caption: property 1000, or wide property 20013) or, once
// disableErrorBoxes() ran, on the standard error stream. The fatal forms end
// the process with exit code 1, exitWithCleanup with the given code; exit
// handlers do not run.
#pragma once

#include <string>

namespace lumen {

void showError(const std::string& text);
void showErrorWide(const std::u16string& text);
// Message property id with the first occurrence of placeholder replaced.
void showMessage(int id, const char* placeholder = nullptr, const std::string& replacement = "");

[[noreturn]] void fatalError(const std::string& text);
[[noreturn]] void fatalMessage(int id, const char* placeholder = nullptr,
                               const std::string& replacement = "");
[[noreturn]] void fatalMessageWide(int id);
[[noreturn]] void exitWithCleanup(unsigned code);

void setErrorOwner(void* window);
// Forgets `window` as the owner of the message boxes when it still is:
// called before the window goes, since a box with a destroyed owner would
// never appear.
void releaseErrorOwner(void* window);
void disableErrorBoxes();
bool errorBoxesOn();

void scheduleIncludedFilesDeletion();

} // namespace lumen
