// Where the launcher puts temporary files, and their names.
//
// Contract: chooseTempDirectory() is evaluated anew on every call; it
// yields the system's temporary path (with its trailing separator) when its
// long form can be carried by the code page, else the first writable of a
// fixed list of alternatives (without a trailing separator), else nothing:
// the caller then ends with noTempDirectory(), the "Poweruser" message box
// and exit code 1.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "launcher/failure.h"
#include "launcher/launcher.h"
#include "os/crypto.h"

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

// Bytes for a directory's name: the system's random source, or a test's.
using RandomSource = bool (*)(void* buffer, size_t size);
// Creates a new directory "lmx<32 hexadecimal digits>_dir" in directory
// with one atomic call, the digits drawn from random, owner-only on POSIX.
// A name that is taken (another process's directory, file or link) is never
// used: it is logged and another is drawn, up to 16 times. False when no
// directory could be made (the system's error code left for the caller).
bool createPrivateDirectoryIn(Launcher& launcher, const std::string& directory, std::string& path,
                              RandomSource random = os::randomBytes);

} // namespace lumen
