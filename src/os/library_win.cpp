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

void hardenLibrarySearch() {
    if (SetDllDirectoryFunction set = setDllDirectory()) set("");
}

void* loadLibrary(const std::string& fullPath, const std::string& dependencyDirectory) {
    SetDllDirectoryFunction set = setDllDirectory();
    if (set != nullptr && !dependencyDirectory.empty()) set(dependencyDirectory.c_str());
    HMODULE library = LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    if (set != nullptr) set("");
    SetLastError(error);
    return library;
}

void* libraryFunction(void* library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

} // namespace lumen::os
