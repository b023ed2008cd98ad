// File-system path services (names, forms, existence).
#pragma once

#include <cstdint>
#include <string>

#include "core/path_style.h"

namespace lumen::os {

// The executable's own file name as the platform forms it for the launcher
// (on Windows the short 8.3 form, taken through the wide calls on NT and the
// ANSI calls otherwise or when narrowing loses characters).
std::string ownExecutableShortName();
// The executable's full file name as the system reports it (for the log).
std::string ownExecutableName();

// Absolute form of a path (GetFullPathNameA); false on failure.
bool absolutePath(const std::string& path, std::string& out);
// The position of the file name inside an absolute path.
size_t fileNameOffset(const std::string& absolutePath);

// A file search for the path (wildcards match any entry); the entry's
// last-write time when found.
bool findFile(const std::string& path, uint64_t* lastWriteTime);
bool isWritableDirectory(const std::string& path);

// The long form of a path; the platform call's contract: length without
// terminator, the size needed when out is too small, 0 on failure.
unsigned long longPathName(const std::string& shortPath, std::string& out);

// Creates a new file exclusively (fails when it exists).
bool createNewFile(const std::string& path);

// The directory separator of this platform.
char pathSeparator();

// How this platform spells paths, lists and a runtime's files.
const PathStyle& pathStyle();

} // namespace lumen::os

namespace lumen::os {

// Where the log goes: the directory named by this variable when usable,
// else the fallback directory, else the fixed fallback file.
const char* logDirectoryVariable();
const char* logFallbackDirectory();
const char* logFallbackFile();

} // namespace lumen::os

#include <vector>

namespace lumen::os {

// The system's temporary path, with its trailing separator.
bool systemTempPath(std::string& out);
bool windowsDirectory(std::string& out);
// The system directory (system32), without a trailing separator: the only
// place system libraries loaded at run time are taken from.
bool systemDirectory(std::string& out);
// Also past Windows' MAX_PATH (os/long_path_win.h); owner-only (0700) on
// POSIX.
bool createDirectory(const std::string& path);
enum class NewDirectory { Created, NameTaken, Failed };
// createDirectory() that tells a name already taken (by a directory, a file
// or a link, which is never followed) from other failures: one atomic call,
// so a directory it reports Created is this process's own.
NewDirectory createNewDirectory(const std::string& path);
bool removeDirectory(const std::string& path);
bool deleteFile(const std::string& path);
// A directory itself, not a link to one (nor a Windows junction).
bool isRealDirectory(const std::string& path);
// A new, empty file with a unique name made of prefix and a unique number in
// directory (the system's own temporary names).
bool createUniqueTempFile(const std::string& directory, const std::string& prefix,
                          std::string& out);

struct DirectoryEntry {
    std::string name;
    // The entry itself, links not followed: a link to a directory (POSIX)
    // is no directory; a directory link (Windows junction) is one, and a
    // link, which removing a tree must remove without entering.
    bool isDirectory;
    bool isLink;
};
// The entries of a directory, without "." and "..".
bool listDirectory(const std::string& directory, std::vector<DirectoryEntry>& out);
// True when the file can be opened for reading and writing without sharing,
// so no other process holds it.
bool isFileFree(const std::string& path);

// A file's size and last modification (nanoseconds since the epoch on
// POSIX, 100-nanosecond units since 1601 on Windows: only compared with
// each other); links are followed.
struct FileStatus {
    uint64_t size = 0;
    int64_t modified = 0;
    bool isDirectory = false;
};
bool fileStatus(const std::string& path, FileStatus& out);
// Renames a file, replacing a file of the new name in one step.
bool replaceFile(const std::string& from, const std::string& to);
// Renames a file to a name that must not exist yet; false (and from left
// in place) when it does.
bool moveFileIfAbsent(const std::string& from, const std::string& to);
// Sets a file's modification time to now.
bool touchFile(const std::string& path);
// The per-user directory for data that may be rebuilt at any time
// ($XDG_CACHE_HOME or ~/.cache; %LOCALAPPDATA% on Windows), without a
// trailing separator; false when the environment names none.
bool userCacheDirectory(std::string& out);
// The bytes the current user may still write on the volume of path.
bool freeDiskBytes(const std::string& path, uint64_t& out);

} // namespace lumen::os

namespace lumen::os {

// The short (8.3) form of a path; the path itself when there is none.
std::string shortPathName(const std::string& path);
// Looks a file name up in the system's default search order (on POSIX the
// PATH directories, and the found file's links are resolved).
bool searchPath(const std::string& fileName, std::string& out);

} // namespace lumen::os

namespace lumen::os {

// The names (without directory) that a file search for pattern finds, in the
// order the file system returns them; sub-directories that match are listed
// too. Empty when nothing matches.
std::vector<std::string> findMatchingNames(const std::string& pattern);

} // namespace lumen::os
