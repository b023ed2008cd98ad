// Dynamic libraries.
//
// Contract: libraries are loaded by full path only. While one loads, the
// given dependency directory is part of the DLL search and the current
// directory is not, so a library's own DLLs are found beside it and nothing
// is picked up from wherever the launcher was started. Libraries stay
// loaded for the life of the process.
#pragma once

#include <string>

namespace lumen::os {

// Removes the current directory from the DLL search of the whole process,
// where the system supports it.
void hardenLibrarySearch();
void* loadLibrary(const std::string& fullPath, const std::string& dependencyDirectory);
void* libraryFunction(void* library, const char* name);

} // namespace lumen::os
