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
// both use this one family of functions, so they always agree on the
// block's start.
//
// ELF images (the Linux launcher) end at the larger of the section header
// table's end and the last file-backed section's (or segment's) end; the
// section header table usually lies behind the sections, far from the head,
// so `locateAppendedBlock` reads it through the caller's reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace lumen {

struct BlockBounds {
    uint64_t start = 0; // first byte behind the last section
    uint64_t end = 0;   // one past the last byte that may hold configuration
};

// How many bytes of a file's head `findAppendedBlock` wants to see at most.
// Section tables of real images lie well inside this.
constexpr size_t kImageHeadBytes = size_t{64} * 1024;

// A PE image from its head alone.
bool findAppendedBlock(const uint8_t* head, size_t headSize, uint64_t fileSize, BlockBounds& out);

// An ELF image (32 or 64 bits, little-endian) from its head and its section
// header table (the bytes at e_shoff; may be empty when the image has none).
bool findAppendedBlockElf(const uint8_t* head, size_t headSize, const uint8_t* sectionTable,
                          size_t sectionTableSize, uint64_t fileSize, BlockBounds& out);

// Reads size bytes at offset into out; false on any failure.
using ImageReader = std::function<bool(uint64_t offset, uint8_t* out, size_t size)>;

// Either kind of image, reading what it needs through read.
bool locateAppendedBlock(const ImageReader& read, uint64_t fileSize, BlockBounds& out);

// The machine field of a PE image's COFF header (IMAGE_FILE_MACHINE_*:
// 0x14C i386, 0x8664 AMD64, 0xAA64 ARM64, ...), read through read with two
// small reads. False when the file is no PE image.
[[nodiscard]] bool readPeMachine(const ImageReader& read, uint64_t fileSize, uint16_t& machine);

} // namespace lumen
