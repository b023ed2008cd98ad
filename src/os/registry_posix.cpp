// The registry on POSIX systems: a directory per key, a file per value.
//
// The per-user root is $XDG_CONFIG_HOME/lumen (~/.config/lumen when unset),
// the machine-wide root /etc/lumen (LUMEN_SYSTEM_CONFIG_DIR overrides it,
// for packagers and tests); the machine root is only written where the user
// may write it. Key paths use "\" between keys as on Windows; every key and
// value name is escaped into one file name ("/", "%", control bytes and a
// leading "." become %XX), so a path used as a key name stays one key. A
// value file holds a type byte ('S' string, 'B' binary, 'D' 32-bit word)
// and the data; values are written to a temporary file and renamed over the
// old one, so a reader sees the old value or the new one, never a part.
#include "os/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/path_rules.h"
#include "os/env.h"
#include "os/system.h"

namespace lumen::os {
namespace {

std::string rootDirectory(RegistryRoot root) {
    std::string directory;
    if (root == RegistryRoot::LocalMachine) {
        if (!getEnv("LUMEN_SYSTEM_CONFIG_DIR", directory) || directory.empty())
            directory = "/etc/lumen";
        return directory;
    }
    if (getEnv("XDG_CONFIG_HOME", directory) && !directory.empty() && directory[0] == '/')
        return directory + "/lumen";
    std::string home;
    if (!getEnv("HOME", home) || home.empty()) {
        // Never a shared folder such as /tmp: anyone could lay out the
        // keys there first.
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
    }
    if (home.empty() || home[0] != '/') return std::string();
    return home + "/.config/lumen";
}

std::string escapeName(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '/' || c == '%' || c < 0x20 || c == 0x7F || (i == 0 && c == '.')) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out.empty() ? std::string("%00") : out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string unescapeName(const std::string& name) {
    if (name == "%00") return std::string();
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' && i + 2 < name.size() && hexValue(name[i + 1]) >= 0 &&
            hexValue(name[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(name[i + 1]) * 16 + hexValue(name[i + 2]));
            i += 2;
        } else {
            out += name[i];
        }
    }
    return out;
}

// Empty when the root has no place: no key opens or is created then.
std::string keyDirectory(RegistryRoot root, const std::string& path) {
    std::string directory = rootDirectory(root);
    if (directory.empty()) return directory;
    for (const std::string& key : splitList(path, '\\'))
        directory += "/" + escapeName(key);
    return directory;
}

bool isDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Keys are opened for writing several times per start, and nearly always
// exist: one look at the whole path spares a mkdir per path component.
bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = slash == std::string::npos ? path : path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return isDirectory(path);
    }
}

const std::string& directoryOf(void* handle) {
    return *static_cast<std::string*>(handle);
}

bool readValue(void* handle, const std::string& name, char type, std::string& data) {
    if (handle == nullptr) return false;
    std::FILE* file = std::fopen((directoryOf(handle) + "/" + escapeName(name)).c_str(), "rb");
    if (file == nullptr) return false;
    std::string content;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    (void)std::fclose(file); // read-only: nothing to lose
    if (failed || content.empty() || content[0] != type) return false;
    data = content.substr(1);
    return true;
}

bool writeValue(void* handle, const std::string& name, char type, const void* data, size_t size) {
    if (handle == nullptr) return false;
    // A value that already holds these bytes is left alone: a start rewrites
    // several values unchanged (a flag already set, an empty deletion list),
    // and a rename over an existing file costs a file system far more than
    // the read (ext4 flushes the replaced file's data first).
    std::string stored;
    if (readValue(handle, name, type, stored) && stored.size() == size &&
        std::equal(stored.begin(), stored.end(), static_cast<const char*>(data)))
        return true;
    const std::string target = directoryOf(handle) + "/" + escapeName(name);
    std::string temporary = directoryOf(handle) + "/.lumen-XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0) return false;
    std::string content(1, type);
    content.append(static_cast<const char*>(data), size);
    const char* bytes = content.data();
    size_t left = content.size();
    bool ok = true;
    while (left > 0 && ok) {
        const ssize_t written = ::write(fd, bytes, left);
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) {
            bytes += written;
            left -= static_cast<size_t>(written);
        }
    }
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

} // namespace

RegistryKey RegistryKey::openForReading(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    const std::string directory = keyDirectory(root, path);
    if (isDirectory(directory)) key.handle_ = new std::string(directory);
    return key;
}

RegistryKey RegistryKey::openForUpdate(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    const std::string directory = keyDirectory(root, path);
    if (isDirectory(directory) && ::access(directory.c_str(), W_OK) == 0)
        key.handle_ = new std::string(directory);
    return key;
}

RegistryKey RegistryKey::create(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    const std::string directory = keyDirectory(root, path);
    if (makeDirectories(directory) && ::access(directory.c_str(), W_OK) == 0)
        key.handle_ = new std::string(directory);
    return key;
}

bool RegistryKey::readString(const std::string& name, std::string& out, size_t capacity,
                             bool cutToFit) const {
    out.clear();
    std::string data;
    if (capacity == 0 || !readValue(handle_, name, 'S', data)) return false;
    out.assign(data.data(),
               std::strlen(data.c_str())); // up to a stored terminator, as the registry reads it
    return fitStoredString(out, capacity, cutToFit);
}

bool RegistryKey::writeString(const std::string& name, const std::string& value,
                              bool withTerminator) {
    return writeValue(handle_, name, 'S', value.c_str(), value.size() + (withTerminator ? 1 : 0));
}

bool RegistryKey::readBinaryExact(const std::string& name, void* out, size_t size) const {
    std::string data;
    if (!readValue(handle_, name, 'B', data) || data.size() != size) return false;
    std::copy(data.begin(), data.end(), static_cast<char*>(out));
    return true;
}

bool RegistryKey::writeBinary(const std::string& name, const void* data, size_t size) {
    return writeValue(handle_, name, 'B', data, size);
}

bool RegistryKey::readDword(const std::string& name, uint32_t& out) const {
    std::string data;
    if (!readValue(handle_, name, 'D', data) || data.size() != 4) return false;
    out = 0;
    for (size_t i = 0; i < 4; ++i)
        out |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return true;
}

bool RegistryKey::writeDword(const std::string& name, uint32_t value) {
    char data[4];
    for (size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return writeValue(handle_, name, 'D', data, sizeof data);
}

bool RegistryKey::subKeyName(uint32_t index, std::string& out) const {
    if (handle_ == nullptr) return false;
    std::vector<std::string> names;
    DIR* dir = ::opendir(directoryOf(handle_).c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name[0] == '.') continue;
        if (isDirectory(directoryOf(handle_) + "/" + name)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    if (index >= names.size()) return false;
    out = unescapeName(names[index]);
    if (out.size() > 8191) out.resize(8191);
    return true;
}

void RegistryKey::close() {
    delete static_cast<std::string*>(handle_);
    handle_ = nullptr;
}

} // namespace lumen::os
