// Where the appended configuration lies inside an executable image.
//
// Contract: given the first bytes of a file (at least the headers and the
// section table) and the file's total size, `findAppendedBlock` tells the
// byte range [start, end) that follows the image's last section. For PE32
// and PE32+ images the start is the largest PointerToRawData +
// SizeOfRawData over all sections; when the security directory names an
// Authenticode certificate table, the range ends where that table begins,
// so nothing inside or behind a signature is ever read as configuration.
// Damaged or inconsistent headers yield false. The stub and lumen-build
// both use this one function, so they always agree on the block's start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumen {

struct BlockBounds {
    uint64_t start = 0; // first byte behind the last section
    uint64_t end = 0;   // one past the last byte that may hold configuration
};

// How many bytes of a file's head `findAppendedBlock` wants to see at most.
// Section tables of real images lie well inside this.
constexpr size_t kImageHeadBytes = size_t{64} * 1024;

bool findAppendedBlock(const uint8_t* head, size_t headSize, uint64_t fileSize,
                       BlockBounds& out);

} // namespace lumen
