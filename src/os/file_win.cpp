#include "os/file.h"

#include <windows.h>

#include "os/long_path_win.h"
#include "os/wide_win.h"

namespace lumen::os {
namespace {

// The ANSI call for ordinary paths, the wide one past their length.
HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    std::u16string extended;
    if (extendedLengthPath(path, extended))
        return CreateFileW(wideChars(extended), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Directories open only with backup semantics; a link (reparse point) is
// opened itself, never what it points to.
HANDLE openEntry(const std::string& path, DWORD access, DWORD share) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    std::u16string extended;
    if (extendedLengthPath(path, extended))
        return CreateFileW(wideChars(extended), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

} // namespace

// Read access on purpose: a handle with attribute access alone takes no
// part in the sharing checks and would keep nobody out.
File File::markInUse(const std::string& path) {
    HANDLE h = openEntry(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return File();
    return File(h);
}

bool isInUse(const std::string& path) {
    HANDLE h = openEntry(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
}

File File::openForReading(const std::string& path) {
    HANDLE h = createFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return File();
    return File(h);
}

File File::createForWriting(const std::string& path) {
    HANDLE h = createFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return File();
    return File(h);
}

bool File::writeAll(const void* buffer, size_t n) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (n > 0) {
        const DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        DWORD written = 0;
        if (!valid() || !WriteFile(static_cast<HANDLE>(handle_), bytes, chunk, &written, nullptr) ||
            written == 0)
            return false;
        bytes += written;
        n -= written;
    }
    return true;
}

bool File::size(uint64_t& out) const {
    LARGE_INTEGER size;
    if (!valid() || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return false;
    out = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool File::seek(uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return valid() && SetFilePointerEx(static_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN);
}

bool File::read(void* buffer, size_t n, size_t& got) {
    got = 0;
    if (!valid()) return false;
    const DWORD want = n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(n);
    DWORD done = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer, want, &done, nullptr)) return false;
    got = done;
    return true;
}

void File::close() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

} // namespace lumen::os
