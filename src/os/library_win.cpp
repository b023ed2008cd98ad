#include "os/library.h"

#include <windows.h>

namespace lumen::os {
namespace {

using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

// Looked up by name: older systems lack it, and then only the full-path
// load protects the search.
SetDllDirectoryFunction setDllDirectory() {
    HMODULE kernel = GetModuleHandleA("KERNEL32");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
}

} // namespace

bool hardenLibrarySearch() {
    SetDllDirectoryFunction set = setDllDirectory();
    return set == nullptr || set("") != 0;
}

void* loadLibrary(const std::string& fullPath, const std::string& dependencyDirectory,
                  unsigned long& searchError) {
    searchError = 0;
    SetDllDirectoryFunction set = setDllDirectory();
    if (set == nullptr || dependencyDirectory.empty()) return loadSystemLibrary(fullPath);
    if (set(dependencyDirectory.c_str()) == 0) searchError = GetLastError();
    HMODULE library = LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    if (set("") == 0 && searchError == 0) searchError = GetLastError();
    SetLastError(error);
    return library;
}

void* loadSystemLibrary(const std::string& fullPath) {
    return LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* loadSystemLibraryNamed(const char* fileName) {
    // LOAD_LIBRARY_SEARCH_SYSTEM32, spelled out: the headers of the oldest
    // target systems lack it. Names the activation context redirects are
    // still redirected.
    constexpr DWORD kSearchSystem32 = 0x00000800;
    HMODULE library = LoadLibraryExA(fileName, nullptr, kSearchSystem32);
    if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
    // A system without the search flags: the full path in the system
    // directory.
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return loadSystemLibrary(std::string(directory, length) + "\\" + fileName);
}

void* libraryFunction(void* library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

} // namespace lumen::os
