// Unpacking the files that the configuration carries.
//
// Contract: extractIncludedFiles() writes the first n (property 2002) of
// the files named in property 2003 into a new directory under the
// temporary directory and returns it in `directory` (empty when there are
// none), registering every file and the directory for the error routines'
// deferred deletion. Names that could reach outside the directory or name a
// device are refused (message 1009, code 11) before anything is written.
// Returns false when a file's contents could not be read (nothing is left
// open then); ends the process when the directory or a file cannot be
// created or written (message 1009, codes 7, 11, 13).
#pragma once

#include <string>

#include "core/config_block.h"
#include "os/file.h"

namespace lumen {

bool extractIncludedFiles(std::string& directory);
bool extractOneFile(BlockReader& ownFile, const std::string& path);
bool copyUnscrambled(BlockReader& source, os::File& target, int64_t size);

} // namespace lumen
