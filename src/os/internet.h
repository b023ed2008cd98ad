// HTTP through the system's wininet.dll, which the launcher loads at run
// time by full path and resolves by name (it imports nothing from it).
//
// Contract: InternetLibrary::load() loads "wininet.dll" from the given
// directory only and resolves InternetOpenA, HttpQueryInfoA,
// InternetAttemptConnect, InternetCloseHandle, InternetReadFile,
// InternetSetOptionA, InternetQueryOptionA, InternetCrackUrlA,
// InternetConnectA, HttpOpenRequestA and HttpSendRequestA in that order;
// only when all eleven are found does the
// object use them (a failed attempt leaves an earlier table in place). The
// library itself is never unloaded. Every other call needs a loaded table
// and fails (or does nothing) without it. InternetHandle is move-only and
// closes its handle when it goes, through the table of the library that
// opened it: the InternetLibrary must outlive its handles. Failing calls
// leave the system's error code for lastErrorCode() (os/system.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lumen::os {

enum class InternetLoad { Loaded, LibraryMissing, FunctionMissing };

// The library's entry points, as each platform has them.
struct InternetFunctions;

class InternetHandle {
  public:
    InternetHandle() = default;
    ~InternetHandle() { close(); }
    InternetHandle(InternetHandle&& other) noexcept
        : handle_(other.handle_), parent_(other.parent_), functions_(other.functions_) {
        other.handle_ = nullptr;
        other.parent_ = nullptr;
    }
    InternetHandle& operator=(InternetHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            parent_ = other.parent_;
            functions_ = other.functions_;
            other.handle_ = nullptr;
            other.parent_ = nullptr;
        }
        return *this;
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    bool valid() const { return handle_ != nullptr; }
    void* get() const { return handle_; }
    void close();

  private:
    friend class InternetLibrary;
    InternetHandle(void* handle, const InternetFunctions* functions, void* parent = nullptr)
        : handle_(handle), parent_(parent), functions_(functions) {}
    void* handle_ = nullptr;
    // A request's connection, closed after the request.
    void* parent_ = nullptr;
    const InternetFunctions* functions_ = nullptr;
};

enum class HttpNumber { ContentLength, StatusCode };

class InternetLibrary {
  public:
    InternetLibrary();
    ~InternetLibrary();
    InternetLibrary(const InternetLibrary&) = delete;
    InternetLibrary& operator=(const InternetLibrary&) = delete;

    InternetLoad load(const std::string& directory);
    bool loaded() const { return functions_ != nullptr; }

    // InternetAttemptConnect(0): 0, or the error it returned.
    unsigned long attemptConnect() const;
    // A session with the system's proxy settings and no flags.
    InternetHandle open(const std::string& userAgent) const;
    // Sends a GET for an http:// or https:// URL (any other fails with
    // ERROR_INTERNET_UNRECOGNIZED_SCHEME) and returns the request once the
    // answer's headers are in; redirects are followed. No cache is written
    // and no extra header sent. Certificates are checked as the system
    // checks them (no flag turns a check off). Every connect, send and
    // receive of the request, the body's reads included, fails after
    // timeoutMs without progress. The request's connection is its own and
    // closes with it.
    InternetHandle openUrl(const InternetHandle& session, const std::string& url,
                           unsigned long timeoutMs) const;
    // The address the request ended at, after any redirects.
    bool finalUrl(const InternetHandle& request, std::string& url) const;
    // A numeric header of the answer, as a 32-bit unsigned value.
    bool queryNumber(const InternetHandle& request, HttpNumber which, uint32_t& value) const;
    // Reads up to size bytes; true with got = 0 when the data has ended.
    bool read(const InternetHandle& request, void* buffer, uint32_t size, uint32_t& got) const;

  private:
    std::unique_ptr<InternetFunctions> functions_;
};

} // namespace lumen::os
