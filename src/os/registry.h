// The registry: an owning key handle and the value operations the launcher
// uses.
//
// Contract: failures are silent for callers (a key that cannot be opened,
// read or written counts as absent) but each call reports success. Strings
// read back are always terminated and never longer than the caller's
// capacity - 1 bytes, whatever length the registry stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumen::os {

enum class RegistryRoot { CurrentUser, LocalMachine };

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() { close(); }
    RegistryKey(RegistryKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    static RegistryKey openForReading(RegistryRoot root, const std::string& path);
    // Opens for reading and setting values (no key creation).
    static RegistryKey openForUpdate(RegistryRoot root, const std::string& path);
    // Creates the key (non-volatile) or opens it with all access.
    static RegistryKey create(RegistryRoot root, const std::string& path);

    bool valid() const { return handle_ != nullptr; }
    bool readString(const std::string& name, std::string& out, size_t capacity) const;
    bool writeString(const std::string& name, const std::string& value);
    bool readDword(const std::string& name, uint32_t& out) const;
    bool writeDword(const std::string& name, uint32_t value);
    // The name of the index-th sub-key; false past the last one.
    bool subKeyName(uint32_t index, std::string& out) const;
    void close();

  private:
    void* handle_ = nullptr;
};

} // namespace lumen::os
