#include <gtest/gtest.h>

#include "builder/pe_resources.h"
#include "builder_test_support.h"
#include "core/bytes.h"

namespace lumen::builder {
namespace {

using namespace test_support;

const char* const kWindowsStubs[] = {"lumen-x86.exe", "lumen-x64.exe", "lumen-console-x86.exe",
                                     "lumen-console-x64.exe"};

uint32_t le32(const std::string& image, size_t at) {
    return loadLe32(reinterpret_cast<const uint8_t*>(image.data()) + at);
}

struct Stub {
    std::string image;
    PeLayout layout;
    ResourceTree tree;
};

Stub readStub(const std::string& name) {
    Stub stub;
    stub.image = readFile(distStub(name));
    std::string error;
    EXPECT_FALSE(stub.image.empty()) << distStub(name) << " is missing: run make dist";
    EXPECT_TRUE(readPeLayout(stub.image, stub.layout, error)) << name << ": " << error;
    EXPECT_TRUE(readResourceTree(stub.image, stub.layout, stub.tree, error))
        << name << ": " << error;
    return stub;
}

TEST(PeResources, StubTreesComeBackByteForByte) {
    for (const char* name : kWindowsStubs) {
        SCOPED_TRACE(name);
        const Stub stub = readStub(name);
        ASSERT_TRUE(stub.layout.hasResources);
        EXPECT_EQ(stub.tree.types.count(ResourceKey::number(kTypeGroupIcon)), 1u);
        EXPECT_TRUE(stub.tree.types.at(ResourceKey::number(kTypeGroupIcon))
                        .count(ResourceKey::text(u"MAINICO")));

        const std::string section = layoutResourceSection(stub.tree, stub.layout.resourceRva);
        EXPECT_EQ(section.size(), stub.layout.resourceTreeSize);
        EXPECT_EQ(stub.image.compare(stub.layout.resourceRawPointer, section.size(), section), 0)
            << "the layout is the one windres wrote";
        ResourceTree again;
        std::string error;
        ASSERT_TRUE(parseResourceSection(reinterpret_cast<const uint8_t*>(section.data()),
                                         section.size(), stub.layout.resourceRva, again, error));
        EXPECT_EQ(again, stub.tree);

        std::string image = stub.image;
        ASSERT_TRUE(replaceResourceSection(image, stub.layout, stub.tree, error));
        EXPECT_EQ(image, stub.image);
    }
}

TEST(PeResources, ChecksumMatchesTheLinkers) {
    for (const char* name : kWindowsStubs) {
        const Stub stub = readStub(name);
        std::string image = stub.image;
        storeLe32(image, stub.layout.checksumOffset, 0);
        // Pieces of odd sizes must sum like one piece.
        PeChecksum checksum;
        for (size_t at = 0, piece = 1; at < image.size(); at += piece, piece = piece * 3 + 1)
            checksum.add(image.data() + at, std::min(piece, image.size() - at));
        EXPECT_EQ(checksum.finish(), le32(stub.image, stub.layout.checksumOffset)) << name;
    }
}

TEST(PeResources, GrownSectionUpdatesSizesAndKeepsTheRest) {
    for (const char* name : kWindowsStubs) {
        SCOPED_TRACE(name);
        const Stub stub = readStub(name);
        ResourceTree tree = stub.tree;
        // Enough new data to pass both the file and the section alignment.
        tree.types[ResourceKey::number(kTypeBitmap)][ResourceKey::number(10000)]
                  [ResourceKey::number(0)] = ResourceData{std::string(10000, 'x'), 0};
        std::string image = stub.image;
        std::string error;
        ASSERT_TRUE(replaceResourceSection(image, stub.layout, tree, error)) << error;

        PeLayout layout;
        ASSERT_TRUE(readPeLayout(image, layout, error)) << error;
        const size_t header = layout.resourceSectionHeader;
        const uint32_t treeSize = le32(image, header + 8);
        EXPECT_GE(treeSize, stub.layout.resourceTreeSize + 10000);
        EXPECT_EQ(layout.resourceTreeSize, treeSize) << "the data directory";
        EXPECT_EQ(layout.resourceRawSize % layout.fileAlignment, 0u);
        EXPECT_GE(layout.resourceRawSize, treeSize);
        EXPECT_LT(layout.resourceRawSize - treeSize, layout.fileAlignment);
        EXPECT_EQ(image.size(), size_t{layout.resourceRawPointer} + layout.resourceRawSize);
        const uint32_t imageSize = le32(image, layout.sizeOfImageOffset);
        EXPECT_EQ(imageSize % layout.sectionAlignment, 0u);
        EXPECT_GE(imageSize, layout.resourceRva + treeSize);
        EXPECT_LT(imageSize - (layout.resourceRva + treeSize), layout.sectionAlignment);
        EXPECT_EQ(le32(image, layout.initializedDataOffset) -
                      le32(stub.image, stub.layout.initializedDataOffset),
                  layout.resourceRawSize - stub.layout.resourceRawSize);

        ResourceTree back;
        ASSERT_TRUE(readResourceTree(image, layout, back, error)) << error;
        EXPECT_EQ(back, tree);
        // Everything in front of the section but the changed fields is kept.
        std::string before = image.substr(0, layout.resourceRawPointer);
        for (size_t field : {header + 8, header + 16, layout.sizeOfImageOffset,
                             layout.initializedDataOffset, layout.resourceDirectoryOffset + 4})
            before.replace(field, 4, stub.image, field, 4);
        EXPECT_EQ(before, stub.image.substr(0, stub.layout.resourceRawPointer));
    }
}

TEST(PeResources, RefusesStubsItCannotRewrite) {
    const Stub stub = readStub("lumen-x64.exe");
    const size_t optional = le32(stub.image, 0x3C) + 24;
    const size_t reloc = stub.layout.resourceSectionHeader - 40; // the section in front
    struct Case {
        const char* name;
        size_t at;
        uint32_t value;
        const char* message;
    } cases[] = {
        {"signed", optional + 112 + 8 * 4 + 4, 0x1000, "signed already"},
        {"a section behind the resources", reloc + 12, 0x7FFF0000, "not in the image's last"},
        {"resources not at the start of a section", stub.layout.resourceDirectoryOffset,
         stub.layout.resourceRva + 8, "does not begin a section"},
        {"no PE signature", le32(stub.image, 0x3C), 0, "not a PE image"},
        {"a loop in the tree", stub.layout.resourceRawPointer + 16 + 4, 0x80000000u,
         "reached twice"},
        // The first data entry, where windres puts it in these stubs.
        {"data outside the section", stub.layout.resourceRawPointer + 0x238, 0x10, "outside"},
    };
    for (const Case& c : cases) {
        std::string image = stub.image;
        storeLe32(image, c.at, c.value);
        PeLayout layout;
        ResourceTree tree;
        std::string error;
        const bool read =
            readPeLayout(image, layout, error) && readResourceTree(image, layout, tree, error);
        EXPECT_FALSE(read) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
}

} // namespace
} // namespace lumen::builder
