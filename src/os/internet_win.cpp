#include "os/internet.h"

#include <windows.h>

#include <vector>
#include <wininet.h>

#include "os/library.h"

namespace lumen::os {

using Open = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using QueryInfo = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using AttemptConnect = DWORD(WINAPI*)(DWORD);
using CloseHandleFunction = BOOL(WINAPI*)(HINTERNET);
using ReadFileFunction = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using SetOption = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using QueryOption = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD);
using CrackUrl = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPURL_COMPONENTSA);
using Connect = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD,
                                   DWORD_PTR);
using OpenRequest = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*, DWORD,
                                       DWORD_PTR);
using SendRequest = BOOL(WINAPI*)(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD);

struct InternetFunctions {
    Open open = nullptr;
    QueryInfo queryInfo = nullptr;
    AttemptConnect attemptConnect = nullptr;
    CloseHandleFunction closeHandle = nullptr;
    ReadFileFunction readFile = nullptr;
    SetOption setOption = nullptr;
    QueryOption queryOption = nullptr;
    CrackUrl crackUrl = nullptr;
    Connect connect = nullptr;
    OpenRequest openRequest = nullptr;
    SendRequest sendRequest = nullptr;
};

namespace {

template <typename Function> bool resolve(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(libraryFunction(library, name));
    return out != nullptr;
}

// The pieces of a URL that the request needs.
struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::string host;
    INTERNET_PORT port = 0;
    std::string object; // path and query
};

bool crack(const InternetFunctions& functions, const std::string& url, UrlParts& parts) {
    std::vector<char> host(url.size() + 1), path(url.size() + 1), extra(url.size() + 1);
    URL_COMPONENTSA components;
    ZeroMemory(&components, sizeof components);
    components.dwStructSize = sizeof components;
    components.lpszHostName = host.data();
    components.dwHostNameLength = static_cast<DWORD>(host.size());
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = static_cast<DWORD>(path.size());
    components.lpszExtraInfo = extra.data();
    components.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!functions.crackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components))
        return false;
    parts.scheme = components.nScheme;
    parts.host.assign(host.data(), components.dwHostNameLength);
    parts.port = components.nPort;
    parts.object = std::string(path.data(), components.dwUrlPathLength) +
                   std::string(extra.data(), components.dwExtraInfoLength);
    if (parts.object.empty()) parts.object = "/";
    return true;
}

bool setTimeouts(const InternetFunctions& functions, HINTERNET handle, unsigned long timeoutMs) {
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = timeoutMs;
        if (!functions.setOption(handle, option, &value, sizeof value)) return false;
    }
    return true;
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
    if (!resolve(library, "InternetOpenA", found->open) ||
        !resolve(library, "HttpQueryInfoA", found->queryInfo) ||
        !resolve(library, "InternetAttemptConnect", found->attemptConnect) ||
        !resolve(library, "InternetCloseHandle", found->closeHandle) ||
        !resolve(library, "InternetReadFile", found->readFile) ||
        !resolve(library, "InternetSetOptionA", found->setOption) ||
        !resolve(library, "InternetQueryOptionA", found->queryOption) ||
        !resolve(library, "InternetCrackUrlA", found->crackUrl) ||
        !resolve(library, "InternetConnectA", found->connect) ||
        !resolve(library, "HttpOpenRequestA", found->openRequest) ||
        !resolve(library, "HttpSendRequestA", found->sendRequest))
        return InternetLoad::FunctionMissing;
    // The library is never unloaded, so a table replaced here leaves the
    // functions of handles opened through it callable.
    functions_ = std::move(found);
    return InternetLoad::Loaded;
}

void InternetHandle::close() {
    if (functions_ != nullptr) {
        if (handle_ != nullptr) functions_->closeHandle(static_cast<HINTERNET>(handle_));
        if (parent_ != nullptr) functions_->closeHandle(static_cast<HINTERNET>(parent_));
    }
    handle_ = nullptr;
    parent_ = nullptr;
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

// Connection, request and send one by one rather than InternetOpenUrl: the
// time-outs must be on the request before it is sent, as some wininet
// implementations take them from there for the whole transfer.
InternetHandle InternetLibrary::openUrl(const InternetHandle& session, const std::string& url,
                                        unsigned long timeoutMs) const {
    if (!loaded() || !session.valid()) return InternetHandle();
    UrlParts parts;
    if (!crack(*functions_, url, parts)) return InternetHandle();
    if (parts.scheme != INTERNET_SCHEME_HTTP && parts.scheme != INTERNET_SCHEME_HTTPS) {
        SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        return InternetHandle();
    }
    HINTERNET connection =
        functions_->connect(static_cast<HINTERNET>(session.get()), parts.host.c_str(), parts.port,
                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr) return InternetHandle();
    // Owns the connection from here on, the request once there is one.
    InternetHandle owner(nullptr, functions_.get(), connection);
    const DWORD flags = INTERNET_FLAG_PASSIVE | INTERNET_FLAG_NO_CACHE_WRITE |
                        (parts.scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    if (!setTimeouts(*functions_, connection, timeoutMs)) return InternetHandle();
    owner.handle_ = functions_->openRequest(connection, "GET", parts.object.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0);
    if (owner.handle_ == nullptr) return InternetHandle();
    HINTERNET request = static_cast<HINTERNET>(owner.handle_);
    if (!setTimeouts(*functions_, request, timeoutMs) ||
        !functions_->sendRequest(request, nullptr, 0, nullptr, 0)) {
        const DWORD error = GetLastError();
        owner.close();
        SetLastError(error);
        return InternetHandle();
    }
    return owner;
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
