// Where the launcher puts temporary files, and their names.
//
// Contract: chooseTempDirectory() is evaluated anew on every call; it
// yields the system's temporary path (with its trailing separator) when its
// long form can be carried by the code page, else the first writable of a
// fixed list of alternatives (without a trailing separator), else nothing:
// the caller then ends with noTempDirectory(), the "Poweruser" message box
// and exit code 1.
#pragma once

#include <optional>
#include <string>

#include "launcher/failure.h"

namespace lumen {

std::optional<std::string> chooseTempDirectory();
Failure noTempDirectory();
// True when a subdirectory can be created in the directory (tested with a
// directory that is removed again).
bool isWritableDirectory(const std::string& directory);
// Creates a new empty file "lmx<unique>.tmp" in directory; false when the
// system could not make one.
bool createTempFileIn(const std::string& directory, std::string& path);
// "<system temporary path>lmx_p<pid>.tmp".
std::string processFileName(unsigned long processId);

} // namespace lumen
