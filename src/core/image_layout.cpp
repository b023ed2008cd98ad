#include "core/image_layout.h"

#include <vector>

#include "core/bytes.h"

namespace lumen {
namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint64_t kSecurityDirectory = 4;
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;

bool inHead(size_t headSize, uint64_t offset, uint64_t length) {
    return offset <= headSize && length <= headSize - offset;
}

constexpr size_t kDosHeaderSize = 0x40;
constexpr size_t kPeOffsetField = 0x3C;

bool isDosHeader(const uint8_t* head, size_t headSize) {
    return head != nullptr && headSize >= kDosHeaderSize && head[0] == 'M' && head[1] == 'Z';
}

bool isPeSignature(const uint8_t* p) {
    return p[0] == 'P' && p[1] == 'E' && p[2] == 0 && p[3] == 0;
}

inline uint64_t loadLe64(const uint8_t* p) {
    return static_cast<uint64_t>(loadLe32(p)) | (static_cast<uint64_t>(loadLe32(p + 4)) << 32);
}

constexpr uint32_t kSectionNoBits = 8; // SHT_NOBITS: no bytes in the file
constexpr size_t kMaxElfSectionTable = size_t{4} * 1024 * 1024;

// The fields of an ELF header that the layout needs.
struct ElfHeader {
    bool wide = false; // ELFCLASS64
    uint64_t programOffset = 0, sectionOffset = 0;
    uint32_t programEntrySize = 0, programCount = 0, sectionEntrySize = 0, sectionCount = 0;
};

bool readElfHeader(const uint8_t* head, size_t headSize, ElfHeader& h) {
    if (head == nullptr || !inHead(headSize, 0, 52) || head[0] != 0x7F || head[1] != 'E' ||
        head[2] != 'L' || head[3] != 'F' || head[5] != 1 /* little-endian */)
        return false;
    if (head[4] == 2) {
        if (!inHead(headSize, 0, 64)) return false;
        h.wide = true;
        h.programOffset = loadLe64(head + 32);
        h.sectionOffset = loadLe64(head + 40);
        h.programEntrySize = loadLe16(head + 54);
        h.programCount = loadLe16(head + 56);
        h.sectionEntrySize = loadLe16(head + 58);
        h.sectionCount = loadLe16(head + 60);
        return h.programEntrySize >= 56 || h.programCount == 0;
    }
    if (head[4] != 1) return false;
    h.programOffset = loadLe32(head + 28);
    h.sectionOffset = loadLe32(head + 32);
    h.programEntrySize = loadLe16(head + 42);
    h.programCount = loadLe16(head + 44);
    h.sectionEntrySize = loadLe16(head + 46);
    h.sectionCount = loadLe16(head + 48);
    return h.programEntrySize >= 32 || h.programCount == 0;
}

uint64_t elfSectionTableSize(const ElfHeader& h) {
    return h.sectionOffset == 0 ? 0 : static_cast<uint64_t>(h.sectionCount) * h.sectionEntrySize;
}

// Adds offset + size to end; false when it overflows or passes the file.
bool extendEnd(uint64_t offset, uint64_t size, uint64_t fileSize, uint64_t& end) {
    if (offset > fileSize || size > fileSize - offset) return false;
    if (offset + size > end) end = offset + size;
    return true;
}

} // namespace

bool findAppendedBlock(const uint8_t* head, size_t headSize, uint64_t fileSize, BlockBounds& out) {
    if (!isDosHeader(head, headSize)) return false;
    const uint64_t peOffset = loadLe32(head + kPeOffsetField);
    if (!inHead(headSize, peOffset, 4 + kCoffHeaderSize)) return false;
    const uint8_t* pe = head + peOffset;
    if (!isPeSignature(pe)) return false;

    const uint8_t* coff = pe + 4;
    const uint32_t sectionCount = loadLe16(coff + 2);
    const uint32_t optionalSize = loadLe16(coff + 16);
    const uint64_t optionalOffset = peOffset + 4 + kCoffHeaderSize;
    if (sectionCount == 0 || !inHead(headSize, optionalOffset, optionalSize) || optionalSize < 2)
        return false;
    const uint8_t* optional = head + optionalOffset;

    uint64_t directoriesAt = 0;
    const uint16_t magic = loadLe16(optional);
    if (magic == kPe32Magic)
        directoriesAt = 96;
    else if (magic == kPe32PlusMagic)
        directoriesAt = 112;
    else
        return false;

    uint64_t certificateOffset = 0;
    uint64_t certificateSize = 0;
    if (directoriesAt >= 4 && optionalSize >= directoriesAt) {
        const uint32_t directoryCount = loadLe32(optional + directoriesAt - 4);
        const uint64_t securityAt = directoriesAt + 8 * kSecurityDirectory;
        if (directoryCount > kSecurityDirectory && securityAt + 8 <= optionalSize) {
            // For this one directory the "address" is a file offset.
            certificateOffset = loadLe32(optional + securityAt);
            certificateSize = loadLe32(optional + securityAt + 4);
        }
    }

    const uint64_t sectionsAt = optionalOffset + optionalSize;
    if (!inHead(headSize, sectionsAt, static_cast<uint64_t>(sectionCount) * kSectionHeaderSize))
        return false;
    uint64_t end = 0;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint8_t* section = head + sectionsAt + static_cast<uint64_t>(i) * kSectionHeaderSize;
        const uint64_t rawSize = loadLe32(section + 16);
        const uint64_t rawPointer = loadLe32(section + 20);
        if (rawSize == 0) continue; // uninitialised data occupies no file bytes
        if (rawPointer + rawSize > end) end = rawPointer + rawSize;
    }
    if (end == 0 || end > fileSize) return false;

    uint64_t blockEnd = fileSize;
    if (certificateOffset != 0 && certificateSize != 0) {
        if (certificateOffset < end || certificateOffset + certificateSize > fileSize) return false;
        blockEnd = certificateOffset;
    }
    out.start = end;
    out.end = blockEnd;
    return true;
}

bool findAppendedBlockElf(const uint8_t* head, size_t headSize, const uint8_t* sectionTable,
                          size_t sectionTableSize, uint64_t fileSize, BlockBounds& out) {
    ElfHeader h;
    if (!readElfHeader(head, headSize, h)) return false;
    uint64_t end = h.wide ? 64 : 52;
    if (!extendEnd(0, end, fileSize, end)) return false;

    // Segments: their headers lie near the start of every image.
    const uint64_t programTable = static_cast<uint64_t>(h.programCount) * h.programEntrySize;
    if (h.programCount != 0 && !inHead(headSize, h.programOffset, programTable)) return false;
    for (uint32_t i = 0; i < h.programCount; ++i) {
        const uint8_t* p = head + h.programOffset + static_cast<uint64_t>(i) * h.programEntrySize;
        const uint64_t offset = h.wide ? loadLe64(p + 8) : loadLe32(p + 4);
        const uint64_t size = h.wide ? loadLe64(p + 32) : loadLe32(p + 16);
        if (size != 0 && !extendEnd(offset, size, fileSize, end)) return false;
    }

    const uint64_t tableSize = elfSectionTableSize(h);
    if (tableSize != 0) {
        if ((h.wide ? h.sectionEntrySize < 64 : h.sectionEntrySize < 40) ||
            sectionTable == nullptr || sectionTableSize < tableSize ||
            !extendEnd(h.sectionOffset, tableSize, fileSize, end))
            return false;
        for (uint32_t i = 0; i < h.sectionCount; ++i) {
            const uint8_t* s = sectionTable + static_cast<uint64_t>(i) * h.sectionEntrySize;
            const uint32_t type = loadLe32(s + 4);
            const uint64_t offset = h.wide ? loadLe64(s + 24) : loadLe32(s + 16);
            const uint64_t size = h.wide ? loadLe64(s + 32) : loadLe32(s + 20);
            if (type == kSectionNoBits || type == 0 || size == 0) continue;
            if (!extendEnd(offset, size, fileSize, end)) return false;
        }
    }
    out.start = end;
    out.end = fileSize;
    return true;
}

bool locateAppendedBlock(const ImageReader& read, uint64_t fileSize, BlockBounds& out) {
    const size_t headSize =
        fileSize < kImageHeadBytes ? static_cast<size_t>(fileSize) : kImageHeadBytes;
    std::vector<uint8_t> head(headSize);
    if (headSize == 0 || !read(0, head.data(), headSize)) return false;
    ElfHeader h;
    if (!readElfHeader(head.data(), headSize, h))
        return findAppendedBlock(head.data(), headSize, fileSize, out);
    const uint64_t tableSize = elfSectionTableSize(h);
    if (tableSize > kMaxElfSectionTable || tableSize > fileSize ||
        h.sectionOffset > fileSize - tableSize)
        return false;
    std::vector<uint8_t> table(static_cast<size_t>(tableSize));
    if (tableSize != 0 && !read(h.sectionOffset, table.data(), table.size())) return false;
    return findAppendedBlockElf(head.data(), headSize, table.data(), table.size(), fileSize, out);
}

bool readPeMachine(const ImageReader& read, uint64_t fileSize, uint16_t& machine) {
    uint8_t dos[kDosHeaderSize];
    if (fileSize < sizeof dos || !read(0, dos, sizeof dos) || !isDosHeader(dos, sizeof dos))
        return false;
    const uint64_t peOffset = loadLe32(dos + kPeOffsetField);
    uint8_t pe[4 + kCoffHeaderSize];
    if (peOffset > fileSize || fileSize - peOffset < sizeof pe || !read(peOffset, pe, sizeof pe) ||
        !isPeSignature(pe))
        return false;
    machine = loadLe16(pe + 4);
    return true;
}

} // namespace lumen
