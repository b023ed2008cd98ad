// Unpacking the files that the configuration carries.
//
// Contract: extractIncludedFiles() writes the first n (property 2002) of
// the files named in property 2003 into a new directory under the
// temporary directory, made by createPrivateDirectoryIn() (temp_files.h),
// and returns it (empty when there are none),
// registering every file and the directory with the launcher's unpacked
// files for the error routines' deferred deletion. Names that could reach
// outside the directory or name a device are refused (message 1009, code
// 11) before anything is written. A file's contents that cannot be read
// fail with the "files damaged" report (nothing is left open then); a
// directory or file that cannot be created or written fails with message
// 1009 and code 7, 11 or 13.
#pragma once

#include <string>

#include "core/config_block.h"
#include "launcher/failure.h"
#include "launcher/launcher.h"
#include "os/file.h"

namespace lumen {

[[nodiscard]] Result<std::string> extractIncludedFiles(Launcher& launcher);
// False when the contents could not be read.
[[nodiscard]] Result<bool> extractOneFile(Launcher& launcher, BlockReader& ownFile,
                                          const std::string& path);
[[nodiscard]] Result<bool> copyUnscrambled(Launcher& launcher, BlockReader& source,
                                           os::File& target, int64_t size);

} // namespace lumen
