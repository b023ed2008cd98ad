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

enum class InstanceClaim { First, AlreadyHeld };

// Windows: a named semaphore (initial and maximum count 1). POSIX: an
// advisory lock on a per-user file named after the name.
InstanceClaim claimInstance(const std::string& name);

} // namespace lumen::os
