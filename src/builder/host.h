// What lumen-build needs from the system it runs on (Linux or Windows):
// paths, its own location, its command line, and writing a file whole.
//
// Contract: every path is UTF-8 on both systems; nativePath() turns one
// into what the file streams take (UTF-16 on Windows). Paths are split on
// the system's own separators ('/' on Linux, '/' and '\' on Windows).
// Functions that can fail say so in their result and fill error; none ends
// the process.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumen::builder {

std::filesystem::path nativePath(const std::string& utf8);
std::string fileNameOf(const std::string& path);
std::string directoryOf(const std::string& path); // "." when the path has none
// path itself when absolute (or rooted), else base + "/" + path.
std::string resolveAgainst(const std::string& base, const std::string& path);

// The directory lumen-build's executable lies in.
std::string ownDirectory();
bool isReadable(const std::string& path);
// The command line as UTF-8 (on Windows read again in UTF-16, since the
// narrow arguments are in the ANSI code page).
std::vector<std::string> utf8Arguments(int argc, char** argv);

// A new empty file in directory, under a name no other file has.
[[nodiscard]] bool createTemporaryFile(const std::string& directory, std::string& path,
                                       std::string& error);
// Renames from over to, replacing it.
[[nodiscard]] bool replaceFile(const std::string& from, const std::string& to, std::string& error);
void markExecutable(const std::string& path);

} // namespace lumen::builder
