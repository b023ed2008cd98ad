// Digests and random bytes from the system's own cryptography.
//
// Contract: on Windows both come from bcrypt.dll, loaded from the system
// directory only (never from beside the launcher) and resolved by name, so
// the launcher imports nothing from it; on POSIX the random bytes come from
// getrandom() and SHA-256 is not offered (nothing there downloads). A call
// that fails leaves the system's status for lastErrorCode() (os/system.h).
#pragma once

#include <cstddef>
#include <memory>

#include "core/download_address.h"

namespace lumen::os {

// Fills buffer with size bytes from the system's random source; false when
// it could not (the buffer's contents are then unspecified).
bool randomBytes(void* buffer, size_t size);

// A running SHA-256 over the bytes given to add(). start() must succeed
// before add() and finish() do anything; finish() ends the run.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool start();
    bool add(const void* data, size_t size);
    bool finish(Sha256Digest& digest);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace lumen::os
