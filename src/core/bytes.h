// Little-endian integer access for the on-disk formats (PE headers, the
// appended configuration). Works on byte arrays, never on aligned casts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumen {

inline uint16_t loadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t loadLeI32(const uint8_t* p) {
    return static_cast<int32_t>(loadLe32(p));
}

inline void appendLe16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

inline void appendLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Overwrites bytes [at, at + 2 or 4) of out, which must hold them.
inline void storeLe16(std::string& out, size_t at, uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

inline void storeLe32(std::string& out, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace lumen
