// The launcher's canonical paths.
//
// Contract: narrow paths in the file functions' code page, cut to 8,191
// bytes. Lower-casing and backslash collapsing widen the text, work on
// UTF-16 and narrow it back; the result replaces the text only when the code
// page could carry every character (the round-trip rule). The module path
// and the launcher directory are computed on first use and kept; the first
// use happens on the main thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/path_rules.h" // isRelativePath, splitList

namespace lumen {

// The own file: short form, lower case, doubled backslashes collapsed.
const std::string& moduleFileName();
// The full path of moduleFileName() without its file name (keeps the
// trailing separator).
const std::string& launcherDirectory();

std::string resolveAgainstExeDir(const std::string& path);
std::string fullPath(const std::string& path, bool keepCase = false);
void lowerCasePath(std::string& path);
void collapseBackslashes(std::string& path);
bool fileExists(const std::string& path);
bool findFile(const std::string& path, uint64_t* lastWriteTime = nullptr);
std::string resolvePathList(const std::string& list);
// base followed by each name, joined with the platform's separator
// ("home" + {"bin", "java.exe"} -> "home\bin\java.exe").
std::string pathUnder(const std::string& base, std::initializer_list<std::string> names);
// The platform call's contract: the length of the long form, 0 on failure.
unsigned long longPathName(const std::string& shortPath, std::string& out);

} // namespace lumen
