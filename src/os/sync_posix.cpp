#include "os/sync.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/env.h"

namespace lumen::os {

static_assert(sizeof(pthread_mutex_t) <= sizeof(Mutex) && alignof(pthread_mutex_t) <= 8,
              "Mutex has no room for a pthread_mutex_t");

Mutex::Mutex() : storage_{} {
    pthread_mutex_init(reinterpret_cast<pthread_mutex_t*>(storage_), nullptr);
}
Mutex::~Mutex() {
    pthread_mutex_destroy(reinterpret_cast<pthread_mutex_t*>(storage_));
}
void Mutex::lock() {
    pthread_mutex_lock(reinterpret_cast<pthread_mutex_t*>(storage_));
}
void Mutex::unlock() {
    pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t*>(storage_));
}

namespace {

// FNV-1a: the name is a path of any length, the lock file needs a short one.
uint64_t nameHash(const std::string& name) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string lockFilePath(const std::string& name) {
    // The per-user runtime directory when there is one: /tmp is shared, so
    // the user id is part of the name there.
    std::string directory;
    if (!getEnv("XDG_RUNTIME_DIR", directory) || directory.empty() || directory[0] != '/')
        directory = "/tmp";
    char file[64];
    (void)std::snprintf(file, sizeof file, "/lumen-%lu-%016llx.lock",
                        static_cast<unsigned long>(::getuid()),
                        static_cast<unsigned long long>(nameHash(name)));
    return directory + file;
}

} // namespace

InstanceClaim claimInstance(const std::string& name) {
    // The descriptor stays open for the life of the process; the kernel
    // releases the lock when the process ends, however it ends. O_CLOEXEC
    // keeps processes the application starts from inheriting it.
    const int fd =
        ::open(lockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceClaim::First;
    // A file someone else placed under the name (in a shared /tmp) is not
    // this user's lock: holding it must not keep the launcher from starting.
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid() || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return InstanceClaim::First;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceClaim::First;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? InstanceClaim::AlreadyHeld : InstanceClaim::First;
}

} // namespace lumen::os
