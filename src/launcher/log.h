// The launcher's log file.
//
// Contract: the first line opens the log (one attempt per Log): a new file
// named "tsx_nlog_" plus a unique suffix in the directory of TMP when that
// is a usable directory, else in the system's fallback directory, else the
// fixed fallback name. ("tsx_nlog_" is the name support staff and the
// installers built on the launcher look for: a stored format, kept.) Every
// line is flushed before the call returns; a line is written whole even
// when threads log at once. A log that cannot be opened is silently absent.
// While it is open the log is marked as in use (os::File::markInUse), so
// that no other launcher's deferred deletion takes it; close() ends the log
// for good (later lines go nowhere) so that its file can be deleted.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "os/file.h"
#include "os/sync.h"

namespace lumen {

class Log {
  public:
    Log() = default;
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void info(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The log's path; false while no attempt to open it was made.
    bool path(std::string& out) const;
    void close();

  private:
    void write(bool error, const char* format, va_list arguments);
    void openLocked();
    bool createUniqueLocked(const std::string& directory);

    mutable os::Mutex mutex_;
    bool opened_ = false;
    bool hasPath_ = false;
    std::string path_;
    std::FILE* file_ = nullptr;
    os::File inUse_;
};

} // namespace lumen
