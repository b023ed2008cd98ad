#include "os/system.h"
#include "os/wide_win.h"

#include <ctime>
#include <string>
#include <windows.h>

#include "os/library.h"
#include "os/paths.h"

namespace lumen::os {

unsigned long processId() {
    return GetCurrentProcessId();
}

bool isProcessRunning(unsigned long processId) {
    if (processId == 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}
unsigned long tickCount() {
    return GetTickCount();
}
unsigned long lastErrorCode() {
    return GetLastError();
}
void setLastErrorCode(unsigned long code) {
    SetLastError(code);
}
void sleepMs(unsigned long milliseconds) {
    Sleep(milliseconds);
}
void raiseCurrentThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
}

std::string currentTimeText() {
    std::time_t now = std::time(nullptr);
    const char* text = std::ctime(&now);
    return text != nullptr ? text : "\n";
}

void exitProcess(unsigned code) {
    ExitProcess(code);
}

void exitProcessAsJvm(int code) {
    ExitProcess(static_cast<UINT>(code));
}

bool requestRestart() {
    // Without the shutdown privilege the request is refused on NT.
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges{};
        if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
        CloseHandle(token);
    }
    return ExitWindowsEx(EWX_REBOOT, 0) != 0;
}

bool setAppUserModelId(const std::u16string& id) {
    using SetId = HRESULT(WINAPI*)(PCWSTR);
    std::string system;
    if (!systemDirectory(system)) return false;
    void* shell = loadSystemLibrary(system + "\\shell32.dll");
    const auto set =
        reinterpret_cast<SetId>(libraryFunction(shell, "SetCurrentProcessExplicitAppUserModelID"));
    if (set == nullptr) return false;
    const HRESULT result = set(wideChars(id));
    if (FAILED(result)) setLastErrorCode(static_cast<unsigned long>(result));
    return SUCCEEDED(result);
}

// The Windows launcher keeps to the classic form of the line.
bool acceptsOpenJdkVersionLine() {
    return false;
}

} // namespace lumen::os
