#include "os/library.h"

#include <dlfcn.h>

namespace lumen::os {

// The dynamic loader never looks in the current directory unless told to,
// and a runtime's libraries find each other through their own run paths.
bool hardenLibrarySearch() {
    return true;
}

void* loadLibrary(const std::string& fullPath, const std::string& /*dependencyDirectory*/,
                  unsigned long& searchError) {
    searchError = 0;
    return loadSystemLibrary(fullPath);
}

void* loadSystemLibrary(const std::string& fullPath) {
    if (fullPath.empty() || fullPath[0] != '/') return nullptr;
    return ::dlopen(fullPath.c_str(), RTLD_NOW | RTLD_GLOBAL);
}

void* loadSystemLibraryNamed(const char* /*fileName*/) {
    return nullptr;
}

void* libraryFunction(void* library, const char* name) {
    return library == nullptr ? nullptr : ::dlsym(library, name);
}

} // namespace lumen::os
