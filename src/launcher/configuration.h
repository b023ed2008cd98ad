// Reading the appended configuration from the launcher's own file.
//
// Contract: readConfiguration() runs once on the main thread before any
// property is read. It fills the launcher's property store and block
// position, or fails with the reader's fixed text ("Internal Error:
// readInt" and so on). Afterwards, unless property 107 is 1 or 5, error
// reports go to the standard error stream.
#pragma once

#include <cstdint>

#include "core/config_block.h"
#include "launcher/failure.h"
#include "launcher/launcher.h"
#include "os/file.h"

namespace lumen {

// Opens the own executable for reading.
[[nodiscard]] Result<os::File> openOwnExecutable(Launcher& launcher);

[[nodiscard]] Outcome readConfiguration(Launcher& launcher);

// The block reader's view of an open file (the system error on failures).
ByteSource fileByteSource(os::File& file);

} // namespace lumen
