// Which included-file names may be unpacked.
//
// Contract: a name is safe when writing it below the extraction directory
// can never reach outside it or a device: not empty, no path separator
// ('\' or '/'), no drive colon, not "." or "..", no trailing dot or blank
// (Windows would drop them and alias another name), no control characters
// or characters Windows forbids in names, and not a device name (CON, PRN,
// AUX, NUL, COM1-9, LPT1-9, with or without an extension, any case).
#pragma once

#include <string>

namespace lumen {
bool isSafeIncludedName(const std::string& name);

// The splash picture of a Linux launcher, written by lumen-build among the
// included files as a PNG (the format the runtime's own splash screen
// reads) and unpacked with them.
constexpr char kRuntimeSplashFileName[] = "lumen-splash.png";
} // namespace lumen
