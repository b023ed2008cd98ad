// Reading the appended configuration from the launcher's own file.
//
// Contract: readConfiguration() runs once on the main thread before any
// property is read. It fills the property store and `includedFilesOffset`,
// or ends the process through the error routines with the reader's fixed
// text ("Internal Error: readInt" and so on). Afterwards, unless property
// 107 is 1 or 5, error reports go to the standard error stream.
#pragma once

#include <cstdint>

#include "core/config_block.h"
#include "os/file.h"

namespace lumen {

// Opens the own executable for reading; does not return on failure.
os::File openOwnExecutable();

void readConfiguration();

// The block reader's view of an open file (the system error on failures).
ByteSource fileByteSource(os::File& file);

// File offset of the included-files section, and where the block ends.
uint64_t includedFilesOffset();
uint64_t configurationEnd();

} // namespace lumen
