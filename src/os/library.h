// Dynamic libraries.
//
// Contract: libraries are loaded by full path only, except the system's own
// by file name from the system directory (see loadSystemLibraryNamed). While one loads, the
// given dependency directory is part of the DLL search and the current
// directory is not, so a library's own DLLs are found beside it and nothing
// is picked up from wherever the launcher was started. Libraries stay
// loaded for the life of the process.
#pragma once

#include <string>

namespace lumen::os {

// Removes the current directory from the DLL search of the whole process,
// where the system supports it; false (with the system's error code) only
// when the system has the call and it failed.
bool hardenLibrarySearch();
// searchError: 0, or the error of the call that failed to put the
// dependency directory into the search or to take it out again afterwards.
void* loadLibrary(const std::string& fullPath, const std::string& dependencyDirectory,
                  unsigned long& searchError);
// A library of the system by full path; its own DLLs come from its
// directory, and the search is left as it was.
void* loadSystemLibrary(const std::string& fullPath);
// A library of the system by file name ("comctl32.dll"): where the process's
// manifest redirects that name (the common controls 6), else from the system
// directory only; never beside the executable nor from the current
// directory. For the libraries only windows need, loaded when a window is
// first needed rather than by every start. POSIX: null.
void* loadSystemLibraryNamed(const char* fileName);
void* libraryFunction(void* library, const char* name);

} // namespace lumen::os
