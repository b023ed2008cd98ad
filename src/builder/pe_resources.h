// The resources of a PE image (PE32 and PE32+): reading the resource tree
// of a stub, laying it out again and putting it back as the image's last
// section.
//
// Contract:
// - parseResourceSection() reads a resource directory of the usual three
//   levels (type, name, language) whose root starts the given bytes. Every
//   offset is checked against those bytes and every data entry must lie
//   inside them; a directory reached twice, data entries that together are
//   larger than the section, or a tree of any other shape are refused with
//   a message. Nothing is read outside [data, data + size).
// - layoutResourceSection() writes a tree back in the layout GNU windres
//   uses: the directories (the root, then each type's followed by its
//   names'), the names, the data entries, then the data, each 8-byte
//   aligned. Named entries come before numbered ones, in code-unit order
//   (the order the system's lookup expects). Parsing the result gives the
//   same tree, and an unchanged windres tree comes out byte for byte.
// - readPeLayout() finds what a rewrite changes and refuses, with a
//   message, images that are damaged, already signed, or whose resource
//   section is not the last one both in the file and in memory.
// - replaceResourceSection() takes an image that ends where its last
//   section ends and returns it with that section replaced by the tree:
//   the section's raw and virtual sizes, SizeOfImage, SizeOfInitializedData
//   and the resource data directory follow the new size; every other byte
//   stays as it was (the checksum is set by PeChecksum over the whole file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace lumen::builder {

// A type, name or language: a number or a name (kept as stored).
struct ResourceKey {
    bool named = false;
    uint32_t id = 0;
    std::u16string name;

    static ResourceKey number(uint32_t value) { return {false, value, {}}; }
    static ResourceKey text(std::u16string value) { return {true, 0, std::move(value)}; }
};
bool operator<(const ResourceKey& a, const ResourceKey& b);
bool operator==(const ResourceKey& a, const ResourceKey& b);

struct ResourceData {
    std::string bytes;
    uint32_t codePage = 0;
};
bool operator==(const ResourceData& a, const ResourceData& b);

using LanguageEntries = std::map<ResourceKey, ResourceData>;
using NameEntries = std::map<ResourceKey, LanguageEntries>;

struct ResourceTree {
    std::map<ResourceKey, NameEntries> types;
    // Written into every directory; the root's values are kept on a rewrite.
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
};
bool operator==(const ResourceTree& a, const ResourceTree& b);

// Standard resource types.
constexpr uint32_t kTypeIcon = 3;
constexpr uint32_t kTypeBitmap = 2;
constexpr uint32_t kTypeGroupIcon = 14;
constexpr uint32_t kTypeVersion = 16;
constexpr uint32_t kTypeManifest = 24;

[[nodiscard]] bool parseResourceSection(const uint8_t* data, size_t size, uint32_t sectionRva,
                                        ResourceTree& out, std::string& error);
std::string layoutResourceSection(const ResourceTree& tree, uint32_t sectionRva);

struct PeLayout {
    bool plus = false; // PE32+
    size_t checksumOffset = 0;
    size_t sizeOfImageOffset = 0;
    size_t initializedDataOffset = 0;
    size_t resourceDirectoryOffset = 0; // the data directory entry (RVA, size)
    size_t resourceSectionHeader = 0;   // offset of the section header
    uint32_t fileAlignment = 0;
    uint32_t sectionAlignment = 0;
    uint32_t resourceRva = 0; // the section's (and the tree's) RVA
    uint32_t resourceRawPointer = 0;
    uint32_t resourceRawSize = 0;
    uint32_t resourceTreeSize = 0; // from the data directory
    bool hasResources = false;     // false: no resource directory at all
};

[[nodiscard]] bool readPeLayout(const std::string& image, PeLayout& out, std::string& error);

// Reads the resource tree of an image whose layout was read.
[[nodiscard]] bool readResourceTree(const std::string& image, const PeLayout& layout,
                                    ResourceTree& out, std::string& error);

// image: the stub up to the end of its last section.
[[nodiscard]] bool replaceResourceSection(std::string& image, const PeLayout& layout,
                                          const ResourceTree& tree, std::string& error);

// The optional header's checksum over a whole file: fed in pieces of any
// size, with the checksum field itself holding zero.
class PeChecksum {
  public:
    void add(const char* data, size_t size);
    uint32_t finish() const;

  private:
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
    int pending_ = -1; // the low byte of a word split between two pieces
};

} // namespace lumen::builder
