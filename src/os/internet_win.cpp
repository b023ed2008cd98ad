#include "os/internet.h"

#include <windows.h>

#include <wininet.h>

#include "os/library.h"

namespace lumen::os {

using OpenUrl = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using Open = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using QueryInfo = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using AttemptConnect = DWORD(WINAPI*)(DWORD);
using CloseHandleFunction = BOOL(WINAPI*)(HINTERNET);
using ReadFileFunction = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using SetOption = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using QueryOption = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD);

struct InternetFunctions {
    OpenUrl openUrl = nullptr;
    Open open = nullptr;
    QueryInfo queryInfo = nullptr;
    AttemptConnect attemptConnect = nullptr;
    CloseHandleFunction closeHandle = nullptr;
    ReadFileFunction readFile = nullptr;
    SetOption setOption = nullptr;
    QueryOption queryOption = nullptr;
};

namespace {

template <typename Function> bool resolve(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(libraryFunction(library, name));
    return out != nullptr;
}

} // namespace

InternetLibrary::InternetLibrary() = default;
InternetLibrary::~InternetLibrary() = default;

InternetLoad InternetLibrary::load(const std::string& directory) {
    std::string path = directory;
    if (!path.empty() && path.back() != '\\') path += '\\';
    void* library = loadSystemLibrary(path + "wininet.dll");
    if (library == nullptr) return InternetLoad::LibraryMissing;
    auto found = std::make_unique<InternetFunctions>();
    if (!resolve(library, "InternetOpenUrlA", found->openUrl) ||
        !resolve(library, "InternetOpenA", found->open) ||
        !resolve(library, "HttpQueryInfoA", found->queryInfo) ||
        !resolve(library, "InternetAttemptConnect", found->attemptConnect) ||
        !resolve(library, "InternetCloseHandle", found->closeHandle) ||
        !resolve(library, "InternetReadFile", found->readFile) ||
        !resolve(library, "InternetSetOptionA", found->setOption) ||
        !resolve(library, "InternetQueryOptionA", found->queryOption))
        return InternetLoad::FunctionMissing;
    // The library is never unloaded, so a table replaced here leaves the
    // functions of handles opened through it callable.
    functions_ = std::move(found);
    return InternetLoad::Loaded;
}

void InternetHandle::close() {
    if (handle_ != nullptr && functions_ != nullptr)
        functions_->closeHandle(static_cast<HINTERNET>(handle_));
    handle_ = nullptr;
}

unsigned long InternetLibrary::attemptConnect() const {
    return loaded() ? functions_->attemptConnect(0) : ERROR_INVALID_FUNCTION;
}

InternetHandle InternetLibrary::open(const std::string& userAgent) const {
    if (!loaded()) return InternetHandle();
    return InternetHandle(
        functions_->open(userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
        functions_.get());
}

InternetHandle InternetLibrary::openUrl(const InternetHandle& session,
                                        const std::string& url) const {
    if (!loaded() || !session.valid()) return InternetHandle();
    return InternetHandle(
        functions_->openUrl(static_cast<HINTERNET>(session.get()), url.c_str(), nullptr, 0,
                            INTERNET_FLAG_PASSIVE | INTERNET_FLAG_NO_CACHE_WRITE, 0),
        functions_.get());
}

bool InternetLibrary::setTimeouts(const InternetHandle& session, unsigned long milliseconds) const {
    if (!loaded() || !session.valid()) return false;
    for (const DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
          INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
        DWORD value = milliseconds;
        if (!functions_->setOption(static_cast<HINTERNET>(session.get()), option, &value,
                                   sizeof value))
            return false;
    }
    return true;
}

bool InternetLibrary::finalUrl(const InternetHandle& request, std::string& url) const {
    if (!loaded() || !request.valid()) return false;
    DWORD length = 0;
    functions_->queryOption(static_cast<HINTERNET>(request.get()), INTERNET_OPTION_URL, nullptr,
                            &length);
    if (length == 0) return false;
    std::string buffer(length, '\0');
    if (!functions_->queryOption(static_cast<HINTERNET>(request.get()), INTERNET_OPTION_URL,
                                 &buffer[0], &length))
        return false;
    buffer.resize(length < buffer.size() ? length : buffer.size());
    while (!buffer.empty() && buffer.back() == '\0')
        buffer.pop_back();
    url = buffer;
    return true;
}

bool InternetLibrary::queryNumber(const InternetHandle& request, HttpNumber which,
                                  uint32_t& value) const {
    if (!loaded() || !request.valid()) return false;
    const DWORD level =
        (which == HttpNumber::ContentLength ? HTTP_QUERY_CONTENT_LENGTH : HTTP_QUERY_STATUS_CODE) |
        HTTP_QUERY_FLAG_NUMBER;
    DWORD number = 0;
    DWORD length = sizeof number;
    if (!functions_->queryInfo(static_cast<HINTERNET>(request.get()), level, &number, &length,
                               nullptr))
        return false;
    value = number;
    return true;
}

bool InternetLibrary::read(const InternetHandle& request, void* buffer, uint32_t size,
                           uint32_t& got) const {
    got = 0;
    if (!loaded() || !request.valid()) return false;
    DWORD done = 0;
    if (!functions_->readFile(static_cast<HINTERNET>(request.get()), buffer, size, &done))
        return false;
    got = done;
    return true;
}

} // namespace lumen::os
