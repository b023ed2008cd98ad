// Paths too long for the ANSI file calls (Windows OS layer only).
//
// Contract: extendedLengthPath() is false while the full form of path fits
// the ANSI calls (below MAX_PATH - 12 characters, the directory calls'
// limit), so those calls keep serving every ordinary path, also on systems
// without the wide calls. Otherwise it gives the extended-length form that
// the wide calls take up to 32,767 characters: "\\?\" (or "\\?\UNC\" for a
// network path) before the full path, which is resolved first (current
// directory, "." and ".." components, "/" separators) because the prefix
// makes the system take the rest literally. Narrow texts are widened in the
// file calls' code page, as the ANSI calls would.
#pragma once

#include <string>

#include "os/wide_win.h"

namespace lumen::os {

bool extendedLengthPath(const std::string& path, std::u16string& extended);

} // namespace lumen::os
