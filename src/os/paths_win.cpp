#include "os/paths.h"

#include <algorithm>

#include <vector>
#include <windows.h>

#include "os/long_path_win.h"
#include "os/wide_win.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen::os {
namespace {

constexpr DWORD kPathBuffer = 8192;

bool endsWithExe(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return tail == ".exe";
}

std::string shortNameThroughAnsi() {
    std::vector<char> name(kPathBuffer), shortName(kPathBuffer);
    const DWORD length = GetModuleFileNameA(nullptr, name.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return std::string();
    const DWORD shortLength = GetShortPathNameA(name.data(), shortName.data(), kPathBuffer);
    if (shortLength == 0 || shortLength >= kPathBuffer) return std::string(name.data(), length);
    return std::string(shortName.data(), shortLength);
}

std::string shortNameThroughWide(bool& lossless) {
    std::vector<wchar_t> name(kPathBuffer), shortName(kPathBuffer);
    lossless = false;
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return std::string();
    DWORD shortLength = GetShortPathNameW(name.data(), shortName.data(), kPathBuffer);
    const wchar_t* chosen = shortName.data();
    if (shortLength == 0 || shortLength >= kPathBuffer) {
        chosen = name.data();
        shortLength = length;
    }
    return narrowFromWide(std::u16string(chosen, chosen + shortLength), &lossless);
}

} // namespace

std::string ownExecutableShortName() {
    bool lossless = false;
    std::string name = shortNameThroughWide(lossless);
    if (lossless && name.size() > 3 && endsWithExe(name)) return name;
    return shortNameThroughAnsi();
}

std::string ownExecutableName() {
    std::vector<char> name(kPathBuffer);
    const DWORD length = GetModuleFileNameA(nullptr, name.data(), kPathBuffer);
    return std::string(name.data(), length < kPathBuffer ? length : 0);
}

bool absolutePath(const std::string& path, std::string& out) {
    std::vector<char> buffer(kPathBuffer);
    const DWORD length = GetFullPathNameA(path.c_str(), kPathBuffer, buffer.data(), nullptr);
    if (length == 0 || length >= kPathBuffer) return false;
    out.assign(buffer.data(), length);
    return true;
}

size_t fileNameOffset(const std::string& absolute) {
    const size_t slash = absolute.find_last_of("\\/");
    return slash == std::string::npos ? 0 : slash + 1;
}

bool findFile(const std::string& path, uint64_t* lastWriteTime) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    if (lastWriteTime != nullptr)
        *lastWriteTime = (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                         found.ftLastWriteTime.dwLowDateTime;
    FindClose(search);
    return true;
}

bool isWritableDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

unsigned long longPathName(const std::string& shortPath, std::string& out) {
    std::vector<char> buffer(kPathBuffer);
    const DWORD length = GetLongPathNameA(shortPath.c_str(), buffer.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return length;
    out.assign(buffer.data(), length);
    return length;
}

bool createNewFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

char pathSeparator() {
    return '\\';
}

const PathStyle& pathStyle() {
    return PathStyle::windows();
}

} // namespace lumen::os

namespace lumen::os {

const char* logDirectoryVariable() {
    return "TMP";
}
const char* logFallbackDirectory() {
    return "c:\\";
}
const char* logFallbackFile() {
    return "c:\\tsx_nlog";
}

} // namespace lumen::os

namespace lumen::os {

bool systemTempPath(std::string& out) {
    std::vector<char> buffer(kPathBuffer);
    const DWORD length = GetTempPathA(kPathBuffer, buffer.data());
    if (length == 0 || length >= kPathBuffer) return false;
    out.assign(buffer.data(), length);
    return true;
}

bool windowsDirectory(std::string& out) {
    std::vector<char> buffer(kPathBuffer);
    const UINT length = GetWindowsDirectoryA(buffer.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return false;
    out.assign(buffer.data(), length);
    return true;
}

bool systemDirectory(std::string& out) {
    std::vector<char> buffer(kPathBuffer);
    const UINT length = GetSystemDirectoryA(buffer.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return false;
    out.assign(buffer.data(), length);
    return true;
}

bool extendedLengthPath(const std::string& path, std::u16string& extended) {
    const std::u16string wide = wideFromNarrow(path);
    // With the terminator; 0 also where the wide calls do not exist.
    const DWORD needed = GetFullPathNameW(wideChars(wide), 0, nullptr, nullptr);
    if (needed <= MAX_PATH - 12) return false;
    std::u16string full(needed, u'\0');
    const DWORD length = GetFullPathNameW(wideChars(wide), needed, wideChars(full), nullptr);
    if (length == 0 || length >= needed) return false;
    full.resize(length);
    if (full.compare(0, 4, u"\\\\?\\") == 0)
        extended = full;
    else if (full.compare(0, 2, u"\\\\") == 0)
        extended = u"\\\\?\\UNC\\" + full.substr(2);
    else
        extended = u"\\\\?\\" + full;
    return true;
}

bool createDirectory(const std::string& path) {
    std::u16string extended;
    if (extendedLengthPath(path, extended))
        return CreateDirectoryW(wideChars(extended), nullptr) != 0;
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}
NewDirectory createNewDirectory(const std::string& path) {
    if (createDirectory(path)) return NewDirectory::Created;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewDirectory::NameTaken
                                                                       : NewDirectory::Failed;
}
bool removeDirectory(const std::string& path) {
    std::u16string extended;
    if (extendedLengthPath(path, extended)) return RemoveDirectoryW(wideChars(extended)) != 0;
    return RemoveDirectoryA(path.c_str()) != 0;
}
bool deleteFile(const std::string& path) {
    std::u16string extended;
    if (extendedLengthPath(path, extended)) return DeleteFileW(wideChars(extended)) != 0;
    return DeleteFileA(path.c_str()) != 0;
}
bool isRealDirectory(const std::string& path) {
    std::u16string extended;
    const DWORD attributes = extendedLengthPath(path, extended)
                                 ? GetFileAttributesW(wideChars(extended))
                                 : GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool createUniqueTempFile(const std::string& directory, const std::string& prefix,
                          std::string& out) {
    char name[MAX_PATH + 1];
    if (directory.size() > MAX_PATH - 14) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return false;
    }
    if (GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, name) == 0) return false;
    out = name;
    return true;
}

bool listDirectory(const std::string& directory, std::vector<DirectoryEntry>& out) {
    out.clear();
    std::string pattern = directory;
    if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        out.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

bool fileStatus(const std::string& path, FileStatus& out) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::u16string extended;
    const BOOL got = extendedLengthPath(path, extended)
                         ? GetFileAttributesExW(wideChars(extended), GetFileExInfoStandard, &data)
                         : GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    if (!got) return false;
    out.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    out.modified =
        static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                             data.ftLastWriteTime.dwLowDateTime);
    out.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool moveFileIfAbsent(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
}

bool touchFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const BOOL set = SetFileTime(h, nullptr, nullptr, &now);
    CloseHandle(h);
    return set != 0;
}

bool userCacheDirectory(std::string& out) {
    char buffer[MAX_PATH + 1];
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    out.assign(buffer, length);
    while (out.size() > 3 && (out.back() == '\\' || out.back() == '/'))
        out.pop_back();
    return true;
}

bool freeDiskBytes(const std::string& path, uint64_t& out) {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) return false;
    out = available.QuadPart;
    return true;
}

bool isFileFree(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

} // namespace lumen::os

namespace lumen::os {

std::string shortPathName(const std::string& path) {
    std::vector<char> buffer(kPathBuffer);
    const DWORD length = GetShortPathNameA(path.c_str(), buffer.data(), kPathBuffer);
    if (length == 0 || length >= kPathBuffer) return path;
    return std::string(buffer.data(), length);
}

bool searchPath(const std::string& fileName, std::string& out) {
    std::vector<char> buffer(kPathBuffer);
    const DWORD length =
        SearchPathA(nullptr, fileName.c_str(), nullptr, kPathBuffer, buffer.data(), nullptr);
    if (length == 0 || length >= kPathBuffer) return false;
    out.assign(buffer.data(), length);
    return true;
}

} // namespace lumen::os

namespace lumen::os {

std::vector<std::string> findMatchingNames(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

} // namespace lumen::os
