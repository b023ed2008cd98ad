// Files: an owning handle and the few operations the launcher needs.
//
// Contract: `File` is move-only and closes its handle when it goes; an empty
// File (failed open) reports !valid(). Every failing call leaves the system
// error code for `lastErrorCode()` (os/system.h). Paths may be longer than
// Windows' MAX_PATH (os/long_path_win.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumen::os {

class File {
  public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : handle_(other.release()) {}
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.release();
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading, letting others read and write it.
    static File openForReading(const std::string& path);

    // Creates (or replaces) a file for writing, without sharing.
    static File createForWriting(const std::string& path);

    // Opens a file or a directory only to mark it as in use by this process
    // for as long as the File lives: isInUse() then answers true for it in
    // other processes (POSIX: a shared advisory lock; Windows: a handle that
    // lets nobody delete it). A link is not followed. The mark goes with the
    // process, also when it dies, and child processes never inherit it.
    static File markInUse(const std::string& path);

    bool valid() const { return handle_ != nullptr; }
    bool size(uint64_t& out) const;
    bool seek(uint64_t offset);
    // Reads up to n bytes; false on a read error (got is then 0).
    bool read(void* buffer, size_t n, size_t& got);
    // Writes all n bytes (repeating partial writes); false on a write error.
    bool writeAll(const void* buffer, size_t n);
    void close();

  private:
    explicit File(void* handle) : handle_(handle) {}
    void* release() {
        void* h = handle_;
        handle_ = nullptr;
        return h;
    }
    void* handle_ = nullptr; // never the platform's invalid value
};

// Whether another holder keeps path from being deleted: a mark of
// File::markInUse() (this process's own marks count too), or on Windows any
// open handle that does not share deletion. False when path is missing.
bool isInUse(const std::string& path);

} // namespace lumen::os
