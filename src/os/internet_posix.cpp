#include "os/internet.h"

#include <cerrno>

namespace lumen::os {

// The POSIX launcher has no system Internet library to load: the download
// reports that it cannot be had (it is never offered there, as no dialog
// offers it).
struct InternetFunctions {};

InternetLibrary::InternetLibrary() = default;
InternetLibrary::~InternetLibrary() = default;

InternetLoad InternetLibrary::load(const std::string& /*directory*/) {
    return InternetLoad::LibraryMissing;
}

void InternetHandle::close() {
    handle_ = nullptr;
    parent_ = nullptr;
}

unsigned long InternetLibrary::attemptConnect() const {
    return ENOSYS;
}

InternetHandle InternetLibrary::open(const std::string& /*userAgent*/) const {
    return InternetHandle();
}

bool InternetLibrary::finalUrl(const InternetHandle& /*request*/, std::string& /*url*/) const {
    return false;
}

InternetHandle InternetLibrary::openUrl(const InternetHandle& /*session*/,
                                        const std::string& /*url*/,
                                        unsigned long /*timeoutMs*/) const {
    return InternetHandle();
}

bool InternetLibrary::queryNumber(const InternetHandle& /*request*/, HttpNumber /*which*/,
                                  uint32_t& /*value*/) const {
    return false;
}

bool InternetLibrary::read(const InternetHandle& /*request*/, void* /*buffer*/, uint32_t /*size*/,
                           uint32_t& got) const {
    got = 0;
    return false;
}

} // namespace lumen::os
