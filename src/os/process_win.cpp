#include "os/process.h"

#include <vector>
#include <windows.h>

namespace lumen::os {
namespace {

// The attribute-list calls came with Vista and are looked up by name, so
// that the launcher still starts where they are missing.
using InitializeList = BOOL(WINAPI*)(void*, DWORD, DWORD, SIZE_T*);
using UpdateAttribute = BOOL(WINAPI*)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
using DeleteList = void(WINAPI*)(void*);
// ProcThreadAttributeHandleList, an input attribute.
constexpr DWORD_PTR kHandleListAttribute = 0x20002;
constexpr DWORD kExtendedStartupInfoPresent = 0x80000;

struct StartupInfoEx {
    STARTUPINFOA startup;
    void* attributes;
};

template <typename Function> Function kernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("KERNEL32");
    return kernel == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

// An attribute list that names the one handle the child may inherit.
class InheritanceList {
  public:
    InheritanceList()
        : initialize_(kernelFunction<InitializeList>("InitializeProcThreadAttributeList")),
          update_(kernelFunction<UpdateAttribute>("UpdateProcThreadAttribute")),
          delete_(kernelFunction<DeleteList>("DeleteProcThreadAttributeList")) {}
    ~InheritanceList() {
        if (initialized_) delete_(storage_.data());
    }
    InheritanceList(const InheritanceList&) = delete;
    InheritanceList& operator=(const InheritanceList&) = delete;

    bool available() const {
        return initialize_ != nullptr && update_ != nullptr && delete_ != nullptr;
    }
    // The list for handle, or null with the system's error code.
    void* only(HANDLE handle) {
        handle_ = handle;
        SIZE_T size = 0;
        initialize_(nullptr, 1, 0, &size);
        if (size == 0) return nullptr;
        storage_.resize(size);
        if (!initialize_(storage_.data(), 1, 0, &size)) return nullptr;
        initialized_ = true;
        if (!update_(storage_.data(), 0, kHandleListAttribute, &handle_, sizeof handle_, nullptr,
                     nullptr))
            return nullptr;
        return storage_.data();
    }

  private:
    InitializeList initialize_;
    UpdateAttribute update_;
    DeleteList delete_;
    std::vector<unsigned char> storage_;
    bool initialized_ = false;
    HANDLE handle_ = nullptr;
};

// The file is opened shared and then duplicated as an inheritable handle:
// the copy is the only handle the child is allowed to inherit.
HANDLE openInheritableFile(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    CloseHandle(file);
    return inheritable;
}

// Waits for the child; false with the error code left when it did not end
// in time (WAIT_TIMEOUT) or the wait itself failed.
bool waitForChild(HANDLE process, unsigned long timeoutMs) {
    const DWORD waited = WaitForSingleObject(process, timeoutMs);
    if (waited == WAIT_OBJECT_0) return true;
    if (waited == WAIT_TIMEOUT) SetLastError(WAIT_TIMEOUT);
    return false;
}

} // namespace

bool runHidden(const std::string& commandLine, const std::string& standardErrorFile,
               unsigned long timeoutMs, unsigned long& exitCode) {
    exitCode = kStillActive;
    HANDLE errorFile = standardErrorFile.empty() ? nullptr : openInheritableFile(standardErrorFile);
    const auto fail = [&]() {
        const DWORD error = GetLastError();
        if (errorFile != nullptr) CloseHandle(errorFile);
        if (!standardErrorFile.empty()) DeleteFileA(standardErrorFile.c_str());
        SetLastError(error);
        return false;
    };
    if (!standardErrorFile.empty() && errorFile == nullptr) return fail();

    StartupInfoEx startup;
    ZeroMemory(&startup, sizeof startup);
    startup.startup.cb = sizeof startup.startup;
    startup.startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.startup.wShowWindow = SW_HIDE;
    DWORD flags = NORMAL_PRIORITY_CLASS;
    BOOL inherit = FALSE;
    InheritanceList inheritance;
    if (errorFile != nullptr) {
        startup.startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.startup.hStdError = errorFile;
        inherit = TRUE;
        // Where the list exists, the child inherits the error file and
        // nothing else the launcher may hold as inheritable.
        if (inheritance.available()) {
            startup.attributes = inheritance.only(errorFile);
            if (startup.attributes == nullptr) return fail();
            startup.startup.cb = sizeof startup;
            flags |= kExtendedStartupInfoPresent;
        }
    }
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, inherit, flags, nullptr,
                        nullptr, &startup.startup, &process))
        return fail();
    DWORD code = kStillActive;
    bool ended = waitForChild(process.hProcess, timeoutMs);
    if (ended && !GetExitCodeProcess(process.hProcess, &code)) ended = false;
    if (!ended || code == kStillActive) {
        const DWORD error = GetLastError();
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 1000);
        code = kStillActive;
        SetLastError(error);
    }
    exitCode = code;
    const DWORD error = GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (errorFile != nullptr) CloseHandle(errorFile);
    SetLastError(error);
    return true;
}

} // namespace lumen::os
