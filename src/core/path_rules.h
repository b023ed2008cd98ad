// The pure string rules of the launcher's path handling.
//
// Contract: these functions never touch the file system or the process.
// Paths are narrow texts; rules that must not split a multi-byte character
// (collapsing backslashes) work on UTF-16 and are applied by the caller
// after widening under the code page round trip.
#pragma once

#include <string>
#include <vector>

#include "core/path_style.h"

namespace lumen {

// A path is absolute when it is drive-absolute ("c:\...") or a network path
// ("\\..."), also when written inside a leading double quote; everything
// else (including any path of two bytes or fewer) is relative. In the POSIX
// style a path is absolute when it begins with "/" (after the quote).
bool isRelativePath(const std::string& path, const PathStyle& style = PathStyle::windows());

// Reduces every run of backslashes after the first character to one; a
// leading pair (network path) survives.
void collapseBackslashes(std::u16string& path, char16_t separator = u'\\');

// True for the texts that name a drive root without a file search: the
// path's text from its second byte on is ":\", ":\." or ":\.\.".
// Never true in the POSIX style, which has no drives.
bool isDriveRoot(const std::string& path, const PathStyle& style = PathStyle::windows());

// The name of an executable's instance claim: its module path with every
// backslash turned into "_".
std::string instanceNameOf(const std::string& modulePath);

// Splits a ";"-separated list; empty items vanish.
std::vector<std::string> splitList(const std::string& list, char separator = ';');

} // namespace lumen
