#include "os/internet.h"

#include <cerrno>

namespace lumen::os {

// The POSIX launcher has no system Internet library to load: the download
// reports that it cannot be had (it is never offered there, as no dialog
// offers it).
InternetLoad loadInternetLibrary(const std::string& /*directory*/) {
    return InternetLoad::LibraryMissing;
}

void InternetHandle::close() {
    handle_ = nullptr;
}

unsigned long attemptInternetConnect() {
    return ENOSYS;
}

InternetHandle openInternet(const std::string& /*userAgent*/) {
    return InternetHandle();
}

InternetHandle openInternetUrl(const InternetHandle& /*session*/, const std::string& /*url*/) {
    return InternetHandle();
}

bool queryHttpNumber(const InternetHandle& /*request*/, HttpNumber /*which*/, uint32_t& /*value*/) {
    return false;
}

bool readInternetFile(const InternetHandle& /*request*/, void* /*buffer*/, uint32_t /*size*/,
                      uint32_t& got) {
    got = 0;
    return false;
}

} // namespace lumen::os
