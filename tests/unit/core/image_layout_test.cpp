#include "core/image_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumen {
namespace {

void put16(std::vector<uint8_t>& image, size_t at, uint16_t value) {
    image[at] = static_cast<uint8_t>(value);
    image[at + 1] = static_cast<uint8_t>(value >> 8);
}
void put32(std::vector<uint8_t>& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Section {
    uint32_t rawPointer;
    uint32_t rawSize;
};

// A minimal image: DOS header, PE signature, COFF header, optional header
// with 16 data directories, section table.
std::vector<uint8_t> makeImage(bool plus, const std::vector<Section>& sections,
                               uint32_t certOffset = 0, uint32_t certSize = 0) {
    const size_t peAt = 0x80;
    const uint16_t optionalSize = plus ? 240 : 224;
    std::vector<uint8_t> image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, peAt);
    image[peAt] = 'P';
    image[peAt + 1] = 'E';
    put16(image, peAt + 6, static_cast<uint16_t>(sections.size()));
    put16(image, peAt + 20, optionalSize);
    const size_t optional = peAt + 24;
    put16(image, optional, plus ? 0x20B : 0x10B);
    const size_t directories = optional + (plus ? 112 : 96);
    put32(image, directories - 4, 16);
    put32(image, directories + 32, certOffset);
    put32(image, directories + 36, certSize);
    size_t table = optional + optionalSize;
    for (const Section& section : sections) {
        put32(image, table + 16, section.rawSize);
        put32(image, table + 20, section.rawPointer);
        table += 40;
    }
    return image;
}

TEST(ImageLayout, BlockStartsBehindTheFurthestSectionInBothFormats) {
    for (bool plus : {false, true}) {
        // Section order in the table need not be file order; empty .bss-like
        // sections have no file bytes.
        const auto image = makeImage(plus, {{0x400, 0x200}, {0x1000, 0x300}, {0, 0}, {0x600, 0x200}});
        BlockBounds bounds;
        ASSERT_TRUE(findAppendedBlock(image.data(), image.size(), 0x2000, bounds)) << plus;
        EXPECT_EQ(bounds.start, 0x1300u);
        EXPECT_EQ(bounds.end, 0x2000u);
    }
}

TEST(ImageLayout, SignatureEndsTheBlock) {
    const auto image = makeImage(false, {{0x400, 0x200}}, 0x900, 0x100);
    BlockBounds bounds;
    ASSERT_TRUE(findAppendedBlock(image.data(), image.size(), 0xA00, bounds));
    EXPECT_EQ(bounds.start, 0x600u);
    EXPECT_EQ(bounds.end, 0x900u);
}

TEST(ImageLayout, DamagedHeadersAreRefused) {
    BlockBounds bounds;
    const auto good = makeImage(false, {{0x400, 0x200}});
    ASSERT_TRUE(findAppendedBlock(good.data(), good.size(), 0x600, bounds));

    auto noMz = good;
    noMz[0] = 'X';
    EXPECT_FALSE(findAppendedBlock(noMz.data(), noMz.size(), 0x600, bounds));
    auto farPe = good;
    put32(farPe, 0x3C, 0xFFFFFFF0u);
    EXPECT_FALSE(findAppendedBlock(farPe.data(), farPe.size(), 0x600, bounds));
    auto badMagic = good;
    put16(badMagic, 0x80 + 24, 0x107);
    EXPECT_FALSE(findAppendedBlock(badMagic.data(), badMagic.size(), 0x600, bounds));
    auto manySections = good;
    put16(manySections, 0x80 + 6, 0xFFFF);
    EXPECT_FALSE(findAppendedBlock(manySections.data(), manySections.size(), 0x600, bounds));
    EXPECT_FALSE(findAppendedBlock(good.data(), good.size(), 0x5FF, bounds))
        << "a section beyond the file's end";
    EXPECT_FALSE(findAppendedBlock(good.data(), 0x40, 0x600, bounds)) << "head cut short";
    EXPECT_FALSE(findAppendedBlock(nullptr, 0, 0, bounds));

    const auto certInsideSection = makeImage(false, {{0x400, 0x200}}, 0x500, 0x10);
    EXPECT_FALSE(findAppendedBlock(certInsideSection.data(), certInsideSection.size(), 0x700, bounds));
    const auto certPastEnd = makeImage(false, {{0x400, 0x200}}, 0x600, 0x1000);
    EXPECT_FALSE(findAppendedBlock(certPastEnd.data(), certPastEnd.size(), 0x700, bounds));
}

} // namespace
} // namespace lumen
