#include "os/paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "core/path_rules.h"
#include "os/env.h"

namespace lumen::os {
namespace {

bool hasWildcard(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

// The directory part and the name part of a path ("." for a bare name).
void splitName(const std::string& path, std::string& directory, std::string& name) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        directory = ".";
        name = path;
    } else {
        directory = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// Entries of directory whose names match pattern, sorted so that every run
// lists them alike (the file system's own order is arbitrary).
std::vector<std::string> matchingEntries(const std::string& directory, const std::string& pattern) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

uint64_t modificationTime(const struct stat& info) {
    return static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
           static_cast<uint64_t>(info.st_mtim.tv_nsec);
}

} // namespace

const PathStyle& pathStyle() {
    return PathStyle::posix();
}

std::string ownExecutableShortName() {
    return ownExecutableName();
}

std::string ownExecutableName() {
    std::vector<char> buffer(8192);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(length));
}

bool absolutePath(const std::string& path, std::string& out) {
    if (path.empty()) return false;
    std::string joined = path;
    if (path[0] != '/') {
        std::string current;
        if (!currentDirectory(current)) return false;
        joined = current + "/" + path;
    }
    // Like the system's full-path call: "." and ".." are taken away by
    // their text; links are not followed.
    std::vector<std::string> parts;
    for (const std::string& part : splitList(joined, '/')) {
        if (part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    out.clear();
    for (const std::string& part : parts)
        out += "/" + part;
    if (out.empty() || joined.back() == '/') out += "/";
    return true;
}

size_t fileNameOffset(const std::string& absolute) {
    const size_t slash = absolute.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

bool findFile(const std::string& path, uint64_t* lastWriteTime) {
    std::string found = path;
    std::string directory, name;
    splitName(path, directory, name);
    if (hasWildcard(name)) {
        const std::vector<std::string> names = matchingEntries(directory, name);
        if (names.empty()) return false;
        found = directory + "/" + names.front();
    }
    struct stat info;
    if (::stat(found.c_str(), &info) != 0) return false;
    if (lastWriteTime != nullptr) *lastWriteTime = modificationTime(info);
    return true;
}

bool isWritableDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

unsigned long longPathName(const std::string& shortPath, std::string& out) {
    struct stat info;
    if (::stat(shortPath.c_str(), &info) != 0) return 0;
    out = shortPath;
    return static_cast<unsigned long>(out.size());
}

bool createNewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

char pathSeparator() {
    return '/';
}

const char* logDirectoryVariable() {
    return "TMPDIR";
}
const char* logFallbackDirectory() {
    return "/tmp";
}
const char* logFallbackFile() {
    return "/tmp/tsx_nlog";
}

bool systemTempPath(std::string& out) {
    std::string directory;
    if (!getEnv("TMPDIR", directory) || directory.empty() || directory[0] != '/')
        directory = "/tmp";
    if (directory.back() != '/') directory += '/';
    out = directory;
    return true;
}

// Run-time libraries come from the dynamic loader's own paths there.
bool systemDirectory(std::string& out) {
    out.clear();
    errno = ENOENT;
    return false;
}

bool windowsDirectory(std::string& out) {
    out.clear();
    errno = ENOENT;
    return false;
}

// Every directory the launcher makes holds this run's files only.
bool createDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}
NewDirectory createNewDirectory(const std::string& path) {
    if (createDirectory(path)) return NewDirectory::Created;
    return errno == EEXIST ? NewDirectory::NameTaken : NewDirectory::Failed;
}
bool removeDirectory(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}
bool deleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}
bool isRealDirectory(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool createUniqueTempFile(const std::string& directory, const std::string& prefix,
                          std::string& out) {
    std::string pattern = directory;
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    ::close(fd);
    out = name.data();
    return true;
}

bool listDirectory(const std::string& directory, std::vector<DirectoryEntry>& out) {
    out.clear();
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        std::string path = directory;
        path += '/';
        path += name;
        const bool known = ::lstat(path.c_str(), &info) == 0;
        out.push_back({name, known && S_ISDIR(info.st_mode), known && S_ISLNK(info.st_mode)});
    }
    ::closedir(dir);
    return true;
}

bool fileStatus(const std::string& path, FileStatus& out) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return false;
    out.size = static_cast<uint64_t>(info.st_size);
    out.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    out.isDirectory = S_ISDIR(info.st_mode);
    return true;
}

bool replaceFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// link() never replaces an existing name; file systems without hard links
// fall back to a rename after a check (a race there only costs a copy).
bool moveFileIfAbsent(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    struct stat info;
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool touchFile(const std::string& path) {
    return ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0;
}

bool userCacheDirectory(std::string& out) {
    std::string directory;
    if (getEnv("XDG_CACHE_HOME", directory) && !directory.empty() && directory[0] == '/') {
        out = directory;
    } else {
        std::string home;
        if (!getEnv("HOME", home) || home.empty() || home[0] != '/') {
            errno = ENOENT;
            return false;
        }
        out = home + (home.back() == '/' ? "" : "/") + ".cache";
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return true;
}

bool freeDiskBytes(const std::string& path, uint64_t& out) {
    struct statvfs info;
    if (::statvfs(path.c_str(), &info) != 0) return false;
    out = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    return true;
}

// POSIX systems have no sharing modes: a file that can be opened for
// reading and writing counts as free.
bool isFileFree(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::string shortPathName(const std::string& path) {
    return path;
}

bool searchPath(const std::string& fileName, std::string& out) {
    std::string path;
    if (!getEnv("PATH", path)) return false;
    for (const std::string& directory : splitList(path, ':')) {
        std::string candidate = directory;
        candidate += '/';
        candidate += fileName;
        struct stat info;
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            // A runtime's java is usually reached through links (/usr/bin/java);
            // its libraries lie beside the file the links lead to.
            std::vector<char> resolved(PATH_MAX + 1);
            out = ::realpath(candidate.c_str(), resolved.data()) != nullptr ? resolved.data()
                                                                            : candidate;
            return true;
        }
    }
    return false;
}

std::vector<std::string> findMatchingNames(const std::string& pattern) {
    std::string directory, name;
    splitName(pattern, directory, name);
    return matchingEntries(directory, name);
}

} // namespace lumen::os
