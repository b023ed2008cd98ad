// Tar blocks for tests and fuzz seeds: headers with a valid checksum (so GNU
// tar lists what is built from them), data padded to whole blocks, and pax
// records with their self-counting length.
#pragma once

#include <cstdio>
#include <string>

namespace lumen::test {

const std::string kPosixMagic("ustar\0"
                              "00",
                              8);
const std::string kGnuMagic("ustar  \0", 8);

inline std::string tarHeader(const std::string& name, size_t size, char type,
                             const std::string& link = "", const std::string& prefix = "",
                             const std::string& magic = kPosixMagic) {
    std::string block(512, '\0');
    block.replace(0, name.size(), name);
    char field[13];
    std::snprintf(field, sizeof field, "%011zo", size);
    block.replace(124, 11, field, 11);
    block[156] = type;
    block.replace(157, link.size(), link);
    block.replace(257, magic.size(), magic);
    block.replace(345, prefix.size(), prefix);
    block.replace(148, 8, 8, ' ');
    unsigned sum = 0;
    for (const char c : block)
        sum += static_cast<unsigned char>(c);
    std::snprintf(field, sizeof field, "%06o", sum);
    block.replace(148, 7, field, 7);
    return block;
}

// The header followed by the data and the padding to the next block.
inline std::string tarEntry(std::string header, const std::string& data) {
    header += data;
    header.append((512 - data.size() % 512) % 512, '\0');
    return header;
}

inline std::string tarFile(const std::string& name, const std::string& data, char type = '0') {
    return tarEntry(tarHeader(name, data.size(), type), data);
}

inline std::string tarLink(const std::string& name, const std::string& target, char type) {
    return tarHeader(name, 0, type, target);
}

inline std::string paxRecord(const std::string& key, const std::string& value) {
    const size_t body = key.size() + value.size() + 3; // " ", "=", "\n"
    size_t length = body + std::to_string(body).size();
    if (std::to_string(length).size() != std::to_string(body).size()) ++length;
    return std::to_string(length) + " " + key + "=" + value + "\n";
}

} // namespace lumen::test
