#include "os/file.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumen::os {
namespace {

// The handle slot holds the descriptor + 1, so that descriptor 0 is not the
// empty value.
int descriptorOf(void* handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
}
void* handleOf(int fd) {
    // The File interface is shared with Windows, whose handles are pointers.
    return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
}

} // namespace

File File::openForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd < 0 ? File() : File(handleOf(fd));
}

// A shared lock: the launcher's own marks never conflict with one another,
// another process's exclusive test does.
File File::markInUse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return File();
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return File();
    }
    return File(handleOf(fd));
}

bool isInUse(const std::string& path) {
    // Non-blocking: a FIFO planted in the folder must not hang the test.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

File File::createForWriting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? File() : File(handleOf(fd));
}

bool File::writeAll(const void* buffer, size_t n) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (n > 0) {
        if (!valid()) return false;
        const ssize_t written = ::write(descriptorOf(handle_), bytes, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        n -= static_cast<size_t>(written);
    }
    return true;
}

bool File::size(uint64_t& out) const {
    struct stat info;
    if (!valid() || ::fstat(descriptorOf(handle_), &info) != 0) return false;
    out = static_cast<uint64_t>(info.st_size);
    return true;
}

bool File::seek(uint64_t offset) {
    return valid() && ::lseek(descriptorOf(handle_), static_cast<off_t>(offset), SEEK_SET) ==
                          static_cast<off_t>(offset);
}

bool File::read(void* buffer, size_t n, size_t& got) {
    got = 0;
    if (!valid()) return false;
    ssize_t done = 0;
    do {
        done = ::read(descriptorOf(handle_), buffer, n);
    } while (done < 0 && errno == EINTR);
    if (done < 0) return false;
    got = static_cast<size_t>(done);
    return true;
}

void File::close() {
    if (handle_ != nullptr) ::close(descriptorOf(handle_));
    handle_ = nullptr;
}

} // namespace lumen::os
