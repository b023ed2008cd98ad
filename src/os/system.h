// Process-level services: identity, time, error codes, ending the process.
#pragma once

#include <string>

namespace lumen::os {

unsigned long processId();
// Whether a process of that id runs now (as far as the caller may see).
bool isProcessRunning(unsigned long processId);
unsigned long tickCount();
unsigned long lastErrorCode();
void setLastErrorCode(unsigned long code);
void sleepMs(unsigned long milliseconds);
// Runs the calling thread above normal priority (helper threads that keep
// a progress bar moving while the worker is blocked).
void raiseCurrentThreadPriority();

// The local time as ctime() prints it, with its line feed.
std::string currentTimeText();

// Ends the process at once with the code; exit handlers do not run.
[[noreturn]] void exitProcess(unsigned code);
// Ends the process as a JVM does when the application calls System.exit:
// through the C library's exit on POSIX (exit handlers run, streams are
// flushed), ExitProcess on Windows (the loaded libraries still see the
// process detach).
[[noreturn]] void exitProcessAsJvm(int code);

// Asks the system to restart. Returns whether the request was accepted.
bool requestRestart();

// Gives the process the application user model id by which the shell
// groups its taskbar buttons and pinned items (shell32 from the system
// directory, resolved at run time: Windows 7 and later have it). True when
// it was set; where the system has no such id (POSIX), true and nothing
// happens.
bool setAppUserModelId(const std::u16string& id);

// Whether a runtime's " -version" line may begin `openjdk version "` as
// well as `java version "`.
bool acceptsOpenJdkVersionLine();

} // namespace lumen::os
