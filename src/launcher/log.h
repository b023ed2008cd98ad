// The launcher's log file.
//
// Contract: the first log call opens the log (one attempt per process): a
// new file named "tsx_nlog_" plus a unique suffix in the directory of TMP
// when that is a usable directory, else in the system's fallback directory,
// else the fixed fallback name. Every line is flushed before the call
// returns; a line is written whole even when threads log at once. A log
// that cannot be opened is silently absent.
#pragma once

#include <string>

namespace lumen {

void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The log's path; false while no attempt to open it was made.
bool logFilePath(std::string& path);

} // namespace lumen
