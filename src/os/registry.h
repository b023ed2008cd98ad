// The registry: an owning key handle and the value operations the launcher
// uses.
//
// Contract: failures are silent for callers (a key that cannot be opened,
// read or written counts as absent) but each call reports success. Strings
// read back are always terminated and never longer than the caller's
// capacity - 1 bytes, whatever length (with or without terminator) the
// registry stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumen::os {

// The rule of readString for a value already read into out: it must fit
// capacity - 1 bytes, or is cut to them when cutToFit; otherwise out is
// emptied and the read fails.
inline bool fitStoredString(std::string& out, size_t capacity, bool cutToFit) {
    if (out.size() <= capacity - 1) return true;
    if (!cutToFit) {
        out.clear();
        return false;
    }
    out.resize(capacity - 1);
    return true;
}

enum class RegistryRoot { CurrentUser, LocalMachine };

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() { close(); }
    RegistryKey(RegistryKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    static RegistryKey openForReading(RegistryRoot root, const std::string& path);
    // Opens for reading and setting values (no key creation).
    static RegistryKey openForUpdate(RegistryRoot root, const std::string& path);
    // Creates the key (non-volatile) or opens it with all access.
    static RegistryKey create(RegistryRoot root, const std::string& path);

    bool valid() const { return handle_ != nullptr; }
    // A string value that fits capacity - 1 bytes; a longer one fails like a
    // missing value unless cutToFit, which keeps its first capacity - 1 bytes.
    bool readString(const std::string& name, std::string& out, size_t capacity,
                    bool cutToFit = false) const;
    // withTerminator false stores the text's bytes only (its data length
    // equals the text length).
    bool writeString(const std::string& name, const std::string& value, bool withTerminator = true);
    // A binary value of exactly size bytes; false for any other size.
    bool readBinaryExact(const std::string& name, void* out, size_t size) const;
    bool writeBinary(const std::string& name, const void* data, size_t size);
    bool readDword(const std::string& name, uint32_t& out) const;
    bool writeDword(const std::string& name, uint32_t value);
    // The name of the index-th sub-key (up to 8,191 bytes); false past the
    // last one.
    bool subKeyName(uint32_t index, std::string& out) const;
    void close();

  private:
    void* handle_ = nullptr;
};

} // namespace lumen::os
