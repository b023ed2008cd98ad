// The claim on an executable's single running instance.
//
// Contract: claimInstance() asks the system, once per process, whether
// another process holds the claim of that name. The claim is held until
// the process ends (the system drops it even when the process dies), and
// is never handed to child processes. Any failure other than "held by
// another process" reports First, so a broken claim never keeps a launcher
// from starting.
#pragma once

#include <string>

namespace lumen::os {

// A lock between the launcher's threads, usable with std::lock_guard.
// std::mutex would do, but on Windows it comes with the POSIX-threads
// emulation library (25 KB of the stub) for nothing a critical section
// cannot do.
class Mutex {
  public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock();
    void unlock();

  private:
    // Room for the system's lock object (a CRITICAL_SECTION, a
    // pthread_mutex_t); the implementations check that it fits.
    alignas(8) unsigned char storage_[64];
};

enum class InstanceClaim { First, AlreadyHeld };

// Windows: a named semaphore (initial and maximum count 1). POSIX: an
// advisory lock on a per-user file named after the name.
InstanceClaim claimInstance(const std::string& name);

} // namespace lumen::os
