#include "builder/ico_file.h"

#include "core/bytes.h"

namespace lumen::builder {
namespace {

constexpr size_t kFileHeaderSize = 6;
constexpr size_t kDirectoryEntrySize = 16;
constexpr uint32_t kMaxSide = 256;
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr char kPngEnd[] = "\0\0\0\0IEND\xae\x42\x60\x82";
constexpr size_t kPngHeaderEnd = 33; // signature, IHDR length, type, data, CRC

uint32_t loadBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool readPng(const std::string& bytes, IconImage& image, std::string& why) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const std::string end(kPngEnd, sizeof kPngEnd - 1);
    if (bytes.size() < kPngHeaderEnd + end.size() || bytes.compare(12, 4, "IHDR") != 0 ||
        bytes.compare(bytes.size() - end.size(), end.size(), end) != 0) {
        why = "is a truncated PNG";
        return false;
    }
    image.width = loadBe32(p + 16);
    image.height = loadBe32(p + 20);
    image.bitCount = 32;
    return true;
}

bool readBitmap(const std::string& bytes, IconImage& image, std::string& why) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 40) {
        why = "is neither a PNG nor a bitmap";
        return false;
    }
    const uint32_t headerSize = loadLe32(p);
    const int32_t width = loadLeI32(p + 4);
    const int32_t doubledHeight = loadLeI32(p + 8);
    const uint16_t planes = loadLe16(p + 12);
    const uint16_t bitCount = loadLe16(p + 14);
    const uint32_t compression = loadLe32(p + 16);
    const uint32_t coloursUsed = loadLe32(p + 32);
    if ((headerSize != 40 && headerSize != 108 && headerSize != 124) || planes != 1 ||
        (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
         bitCount != 32)) {
        why = "is neither a PNG nor a bitmap";
        return false;
    }
    if (compression != 0) {
        why = "is a compressed bitmap (only uncompressed bitmaps and PNG are taken)";
        return false;
    }
    if (width <= 0 || doubledHeight <= 0 || doubledHeight % 2 != 0) {
        why = "has a bad bitmap size";
        return false;
    }
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(doubledHeight / 2);
    image.bitCount = bitCount;
    if (image.width > kMaxSide || image.height > kMaxSide) return true; // reported by the caller
    const uint64_t palette = coloursUsed != 0 ? coloursUsed : bitCount <= 8 ? 1u << bitCount : 0;
    const uint64_t colourRow = (uint64_t{image.width} * bitCount + 31) / 32 * 4;
    const uint64_t maskRow = (uint64_t{image.width} + 31) / 32 * 4;
    if (palette > 256 ||
        headerSize + palette * 4 + (colourRow + maskRow) * image.height > bytes.size()) {
        why = "is a truncated bitmap";
        return false;
    }
    return true;
}

} // namespace

bool parseIconFile(const std::string& bytes, IconFile& out, std::string& error) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < kFileHeaderSize || loadLe16(p) != 0 ||
        (loadLe16(p + 2) != 1 && loadLe16(p + 2) != 2)) {
        error = "not an icon file";
        return false;
    }
    if (loadLe16(p + 2) == 2) {
        error = "a cursor file, not an icon";
        return false;
    }
    const size_t count = loadLe16(p + 4);
    if (count == 0) {
        error = "the icon file holds no image";
        return false;
    }
    if (bytes.size() < kFileHeaderSize + count * kDirectoryEntrySize) {
        error = "the icon file is truncated (its directory is cut short)";
        return false;
    }
    out.images.clear();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = p + kFileHeaderSize + i * kDirectoryEntrySize;
        const uint32_t size = loadLe32(entry + 8);
        const uint32_t offset = loadLe32(entry + 12);
        const std::string which = "image " + std::to_string(i + 1) + " of the icon file ";
        if (offset > bytes.size() || size > bytes.size() - offset) {
            error = which + "lies outside the file (truncated?)";
            return false;
        }
        IconImage image;
        image.bytes = bytes.substr(offset, size);
        std::string why;
        const bool png = image.bytes.compare(0, 8, kPngSignature, 8) == 0;
        if (!(png ? readPng(image.bytes, image, why) : readBitmap(image.bytes, image, why))) {
            error = which + why;
            return false;
        }
        if (image.width == 0 || image.height == 0 || image.width > kMaxSide ||
            image.height > kMaxSide) {
            error = which + "is " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + " pixels; icons take 1 to 256 a side";
            return false;
        }
        out.images.push_back(std::move(image));
    }
    return true;
}

std::string iconGroup(const IconFile& icon, uint16_t firstId) {
    std::string out;
    appendLe16(out, 0);
    appendLe16(out, 1);
    appendLe16(out, static_cast<uint16_t>(icon.images.size()));
    uint16_t id = firstId;
    for (const IconImage& image : icon.images) {
        // 256 is stored as 0; fewer than 256 colours are counted.
        out.push_back(static_cast<char>(image.width & 0xFF));
        out.push_back(static_cast<char>(image.height & 0xFF));
        out.push_back(static_cast<char>(image.bitCount < 8 ? 1 << image.bitCount : 0));
        out.push_back('\0');
        appendLe16(out, 1);
        appendLe16(out, image.bitCount);
        appendLe32(out, static_cast<uint32_t>(image.bytes.size()));
        appendLe16(out, id++);
    }
    return out;
}

} // namespace lumen::builder
