#include "core/image_layout.h"

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

} // namespace

bool findAppendedBlock(const uint8_t* head, size_t headSize, uint64_t fileSize,
                       BlockBounds& out) {
    if (head == nullptr || !inHead(headSize, 0, 0x40) || head[0] != 'M' || head[1] != 'Z')
        return false;
    const uint64_t peOffset = loadLe32(head + 0x3C);
    if (!inHead(headSize, peOffset, 4 + kCoffHeaderSize)) return false;
    const uint8_t* pe = head + peOffset;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return false;

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

} // namespace lumen
