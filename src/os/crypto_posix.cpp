#include "os/crypto.h"

#include <cerrno>
#include <sys/random.h>

namespace lumen::os {

bool randomBytes(void* buffer, size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::getrandom(bytes, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

struct Sha256::State {};

Sha256::Sha256() = default;
Sha256::~Sha256() = default;

bool Sha256::start() {
    errno = ENOSYS;
    return false;
}

bool Sha256::add(const void* /*data*/, size_t /*size*/) {
    errno = ENOSYS;
    return false;
}

bool Sha256::finish(Sha256Digest& /*digest*/) {
    errno = ENOSYS;
    return false;
}

} // namespace lumen::os
