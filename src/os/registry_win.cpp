#include "os/registry.h"

#include <vector>
#include <windows.h>

namespace lumen::os {
namespace {

HKEY rootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

} // namespace

RegistryKey RegistryKey::openForReading(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS)
        key.handle_ = handle;
    return key;
}

RegistryKey RegistryKey::openForUpdate(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      &handle) == ERROR_SUCCESS)
        key.handle_ = handle;
    return key;
}

RegistryKey RegistryKey::create(RegistryRoot root, const std::string& path) {
    RegistryKey key;
    HKEY handle = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(rootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &handle, &disposition) == ERROR_SUCCESS)
        key.handle_ = handle;
    return key;
}

bool RegistryKey::readString(const std::string& name, std::string& out, size_t capacity,
                             bool cutToFit) const {
    out.clear();
    if (!valid() || capacity == 0) return false;
    DWORD type = 0;
    DWORD size = 0;
    HKEY key = static_cast<HKEY>(handle_);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    // Read the whole stored value, then cut: the stored length may lack a
    // terminator or exceed the caller's buffer.
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &got) != ERROR_SUCCESS)
        return false;
    buffer[got < size ? got : size] = '\0';
    out.assign(buffer.data());
    return fitStoredString(out, capacity, cutToFit);
}

bool RegistryKey::writeString(const std::string& name, const std::string& value,
                              bool withTerminator) {
    return valid() &&
           RegSetValueExA(static_cast<HKEY>(handle_), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + (withTerminator ? 1 : 0))) ==
               ERROR_SUCCESS;
}

bool RegistryKey::readBinaryExact(const std::string& name, void* out, size_t size) const {
    if (!valid()) return false;
    std::vector<BYTE> buffer(size + 1);
    DWORD got = static_cast<DWORD>(buffer.size());
    DWORD type = 0;
    if (RegQueryValueExA(static_cast<HKEY>(handle_), name.c_str(), nullptr, &type, buffer.data(),
                         &got) != ERROR_SUCCESS ||
        got != size)
        return false;
    memcpy(out, buffer.data(), size);
    return true;
}

bool RegistryKey::writeBinary(const std::string& name, const void* data, size_t size) {
    return valid() && RegSetValueExA(static_cast<HKEY>(handle_), name.c_str(), 0, REG_BINARY,
                                     static_cast<const BYTE*>(data),
                                     static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

bool RegistryKey::readDword(const std::string& name, uint32_t& out) const {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!valid() || RegQueryValueExA(static_cast<HKEY>(handle_), name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return false;
    out = value;
    return true;
}

bool RegistryKey::writeDword(const std::string& name, uint32_t value) {
    const DWORD data = value;
    return valid() && RegSetValueExA(static_cast<HKEY>(handle_), name.c_str(), 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&data),
                                     sizeof data) == ERROR_SUCCESS;
}

bool RegistryKey::subKeyName(uint32_t index, std::string& out) const {
    std::vector<char> name(8192);
    DWORD length = static_cast<DWORD>(name.size());
    if (!valid() || RegEnumKeyExA(static_cast<HKEY>(handle_), index, name.data(), &length,
                                  nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    out.assign(name.data(), length < name.size() ? length : name.size() - 1);
    return true;
}

void RegistryKey::close() {
    if (handle_ != nullptr) RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
}

} // namespace lumen::os
