#include "os/process.h"

#include <vector>
#include <windows.h>

namespace lumen::os {
namespace {

// The file is opened shared and then duplicated as an inheritable handle,
// so that only the copy meant for the child is inherited.
HANDLE openInheritableFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    CloseHandle(file);
    return inheritable;
}

} // namespace

bool runHidden(const std::string& commandLine, const std::string& standardErrorFile,
               unsigned long timeoutMs, unsigned long& exitCode) {
    exitCode = kStillActive;
    HANDLE errorFile = standardErrorFile.empty() ? nullptr : openInheritableFile(standardErrorFile);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    if (!standardErrorFile.empty()) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdError = errorFile;
    }
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    const BOOL started = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                                        NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process);
    if (!started) {
        const DWORD error = GetLastError();
        if (errorFile != nullptr) CloseHandle(errorFile);
        if (!standardErrorFile.empty()) DeleteFileA(standardErrorFile.c_str());
        SetLastError(error);
        return false;
    }
    WaitForSingleObject(process.hProcess, timeoutMs);
    DWORD code = kStillActive;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == kStillActive) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 1000);
    }
    exitCode = code;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (errorFile != nullptr) CloseHandle(errorFile);
    return true;
}

} // namespace lumen::os
