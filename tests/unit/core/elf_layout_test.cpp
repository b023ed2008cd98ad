#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/image_layout.h"

namespace lumen {
namespace {

void putLe(std::vector<uint8_t>& image, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Part {
    uint32_t type; // section type; 8 = no file bytes
    uint64_t offset;
    uint64_t size;
};

// A minimal little-endian ELF: header, one segment, the section table at
// tableAt with the given sections.
std::vector<uint8_t> makeElf(bool wide, uint64_t fileSize, const Part& segment,
                             const std::vector<Part>& sections, uint64_t tableAt) {
    // Room for every header even where the file is cut short of them.
    const size_t tableEnd = tableAt + sections.size() * (wide ? 64 : 40);
    std::vector<uint8_t> image(std::max<size_t>(fileSize, std::max<size_t>(tableEnd, 0x200)), 0);
    image[0] = 0x7F, image[1] = 'E', image[2] = 'L', image[3] = 'F';
    image[4] = wide ? 2 : 1;
    image[5] = 1;
    const size_t headerSize = wide ? 64 : 52;
    const size_t programSize = wide ? 56 : 32;
    const size_t sectionSize = wide ? 64 : 40;
    const int word = wide ? 8 : 4;
    putLe(image, wide ? 32 : 28, headerSize, word);   // e_phoff
    putLe(image, wide ? 40 : 32, tableAt, word);      // e_shoff
    putLe(image, wide ? 54 : 42, programSize, 2);     // e_phentsize
    putLe(image, wide ? 56 : 44, 1, 2);               // e_phnum
    putLe(image, wide ? 58 : 46, sectionSize, 2);     // e_shentsize
    putLe(image, wide ? 60 : 48, sections.size(), 2); // e_shnum
    putLe(image, headerSize + (wide ? 8 : 4), segment.offset, word);
    putLe(image, headerSize + (wide ? 32 : 16), segment.size, word);
    for (size_t i = 0; i < sections.size(); ++i) {
        const size_t at = tableAt + i * sectionSize;
        putLe(image, at + 4, sections[i].type, 4);
        putLe(image, at + (wide ? 24 : 16), sections[i].offset, word);
        putLe(image, at + (wide ? 32 : 20), sections[i].size, word);
    }
    image.resize(fileSize);
    return image;
}

bool locate(const std::vector<uint8_t>& image, BlockBounds& bounds) {
    const ImageReader read = [&image](uint64_t offset, uint8_t* out, size_t size) {
        if (offset > image.size() || size > image.size() - offset) return false;
        std::memcpy(out, image.data() + offset, size);
        return true;
    };
    return locateAppendedBlock(read, image.size(), bounds);
}

TEST(ElfLayout, BlockStartsBehindTheSectionTableOrTheLastSection) {
    for (bool wide : {false, true}) {
        // The usual layout: sections, then the table at the end of the image.
        auto image = makeElf(wide, 0x3000, {1, 0, 0x800},
                             {{0, 0, 0}, {1, 0x800, 0x400}, {8, 0xC00, 0x5000}}, 0x1000);
        const uint64_t tableEnd = 0x1000 + 3 * (wide ? 64 : 40);
        BlockBounds bounds;
        ASSERT_TRUE(locate(image, bounds)) << wide;
        EXPECT_EQ(bounds.start, tableEnd) << "a no-bits section occupies no file bytes";
        EXPECT_EQ(bounds.end, 0x3000u);

        // A section placed behind the table ends the image instead.
        image = makeElf(wide, 0x3000, {1, 0, 0x800}, {{1, 0x1800, 0x100}}, 0x1000);
        ASSERT_TRUE(locate(image, bounds));
        EXPECT_EQ(bounds.start, 0x1900u);
    }
}

TEST(ElfLayout, ImagesWithoutSectionsEndAfterTheirSegments) {
    const auto image = makeElf(true, 0x2000, {1, 0, 0x1234}, {}, 0);
    BlockBounds bounds;
    ASSERT_TRUE(locate(image, bounds));
    EXPECT_EQ(bounds.start, 0x1234u);
}

TEST(ElfLayout, DamagedHeadersAreRefused) {
    BlockBounds bounds;
    // The section table runs past the file.
    EXPECT_FALSE(locate(makeElf(true, 0x1000, {1, 0, 0x100}, {{1, 0x100, 0x10}}, 0xFF0), bounds));
    // A section runs past the file.
    EXPECT_FALSE(
        locate(makeElf(true, 0x2000, {1, 0, 0x100}, {{1, 0x100, 0x5000}}, 0x1000), bounds));
    // A segment runs past the file, or its size wraps around.
    EXPECT_FALSE(locate(makeElf(false, 0x2000, {1, 0x10, 0xFFFFFFFF}, {}, 0), bounds));
    EXPECT_FALSE(locate(makeElf(true, 0x2000, {1, 0x10, ~uint64_t{0}}, {}, 0), bounds));
    // Big-endian and unknown classes.
    auto image = makeElf(true, 0x2000, {1, 0, 0x100}, {}, 0);
    image[5] = 2;
    EXPECT_FALSE(locate(image, bounds));
    image[5] = 1;
    image[4] = 3;
    EXPECT_FALSE(locate(image, bounds));
    // Too short for a header.
    EXPECT_FALSE(locate(std::vector<uint8_t>(image.begin(), image.begin() + 40), bounds));
}

TEST(ElfLayout, RealExecutableEndsWhereTheFileEndsUntilSomethingIsAppended) {
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(self)),
                               std::istreambuf_iterator<char>());
    ASSERT_GT(image.size(), 4096u);
    BlockBounds bounds;
    ASSERT_TRUE(locate(image, bounds));
    EXPECT_EQ(bounds.start, image.size());
    image.insert(image.end(), {'b', 'l', 'o', 'c', 'k'});
    ASSERT_TRUE(locate(image, bounds));
    EXPECT_EQ(bounds.start, image.size() - 5);
    EXPECT_EQ(bounds.end, image.size());
}

} // namespace
} // namespace lumen
