// The launcher's canonical paths.
//
// Contract: narrow paths in the file functions' code page, cut to 8,191
// bytes. Lower-casing and backslash collapsing widen the text, work on
// UTF-16 and narrow it back; the result replaces the text only when the code
// page could carry every character (the round-trip rule). What depends on
// the launcher's own location is in LauncherPaths (launcher/launcher.h).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/path_rules.h" // isRelativePath, splitList

namespace lumen {

void lowerCasePath(std::string& path);
void collapseBackslashes(std::string& path);
bool fileExists(const std::string& path);
bool findFile(const std::string& path, uint64_t* lastWriteTime = nullptr);
// base followed by each name, joined with the platform's separator
// ("home" + {"bin", "java.exe"} -> "home\bin\java.exe").
std::string pathUnder(const std::string& base, std::initializer_list<std::string> names);
// The platform call's contract: the length of the long form, 0 on failure.
unsigned long longPathName(const std::string& shortPath, std::string& out);

} // namespace lumen
