// HTTP through the system's wininet.dll, which the launcher loads at run
// time by full path and resolves by name (it imports nothing from it).
//
// Contract: loadInternetLibrary() loads "wininet.dll" from the given
// directory only and resolves InternetOpenUrlA, InternetOpenA,
// HttpQueryInfoA, InternetAttemptConnect, InternetCloseHandle and
// InternetReadFile in that order; only when all six are found do they
// become the process's table, kept with the library for the rest of the
// run; each call loads again (a failed attempt leaves an earlier table in
// place). Every other call
// needs that table and fails (or does nothing) without it. InternetHandle is
// move-only and closes its handle when it goes. Failing calls leave the
// system's error code for lastErrorCode() (os/system.h).
#pragma once

#include <cstdint>
#include <string>

namespace lumen::os {

enum class InternetLoad { Loaded, LibraryMissing, FunctionMissing };

InternetLoad loadInternetLibrary(const std::string& directory);

class InternetHandle {
  public:
    InternetHandle() = default;
    ~InternetHandle() { close(); }
    InternetHandle(InternetHandle&& other) noexcept : handle_(other.handle_) {
        other.handle_ = nullptr;
    }
    InternetHandle& operator=(InternetHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    bool valid() const { return handle_ != nullptr; }
    void* get() const { return handle_; }
    void close();

  private:
    friend InternetHandle openInternet(const std::string& userAgent);
    friend InternetHandle openInternetUrl(const InternetHandle& session, const std::string& url);
    explicit InternetHandle(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// InternetAttemptConnect(0): 0, or the error it returned.
unsigned long attemptInternetConnect();
// A session with the system's proxy settings and no flags.
InternetHandle openInternet(const std::string& userAgent);
// Opens the URL passively and without writing the cache; no extra headers.
InternetHandle openInternetUrl(const InternetHandle& session, const std::string& url);

enum class HttpNumber { ContentLength, StatusCode };
// A numeric header of the answer, as a 32-bit unsigned value.
bool queryHttpNumber(const InternetHandle& request, HttpNumber which, uint32_t& value);
// Reads up to size bytes; true with got = 0 when the data has ended.
bool readInternetFile(const InternetHandle& request, void* buffer, uint32_t size, uint32_t& got);

} // namespace lumen::os
