#include "builder/pe_resources.h"

#include <algorithm>
#include <set>
#include <vector>

#include "core/bytes.h"

namespace lumen::builder {
namespace {

constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kLevels = 3; // type, name, language

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSecurityDirectory = 4;

uint32_t loadAt(const std::string& image, size_t at) {
    return loadLe32(reinterpret_cast<const uint8_t*>(image.data()) + at);
}

uint64_t alignUp(uint64_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

struct RawEntry {
    ResourceKey key;
    uint32_t target = 0; // offset from the root, subdirectory bit removed
    bool subdirectory = false;
};

class TreeReader {
  public:
    TreeReader(const uint8_t* data, size_t size, uint32_t rva)
        : data_(data), size_(size), rva_(rva) {}

    bool read(ResourceTree& out, std::string& error) {
        std::vector<RawEntry> types;
        if (!directory(0, types, error)) return false;
        out = ResourceTree();
        out.characteristics = loadLe32(data_);
        out.timeDateStamp = loadLe32(data_ + 4);
        out.majorVersion = loadLe16(data_ + 8);
        out.minorVersion = loadLe16(data_ + 10);
        for (const RawEntry& type : types) {
            std::vector<RawEntry> names;
            if (!expectDirectory(type, 0, error) || !directory(type.target, names, error))
                return false;
            NameEntries& nameMap = out.types[type.key];
            for (const RawEntry& name : names) {
                std::vector<RawEntry> languages;
                if (!expectDirectory(name, 1, error) || !directory(name.target, languages, error))
                    return false;
                LanguageEntries& languageMap = nameMap[name.key];
                for (const RawEntry& language : languages) {
                    if (language.subdirectory) {
                        error = "the resource tree is deeper than type, name and language";
                        return false;
                    }
                    if (!dataEntry(language.target, languageMap[language.key], error)) return false;
                }
            }
        }
        return true;
    }

  private:
    bool fits(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    static bool expectDirectory(const RawEntry& entry, int level, std::string& error) {
        if (entry.subdirectory) return true;
        error = "the resource tree has data at level " + std::to_string(level + 1) + " of " +
                std::to_string(kLevels);
        return false;
    }

    bool directory(uint32_t offset, std::vector<RawEntry>& entries, std::string& error) {
        if (!fits(offset, kDirectoryHeaderSize)) {
            error = "a resource directory lies outside the section";
            return false;
        }
        if (!seen_.insert(offset).second) {
            error = "a resource directory is reached twice";
            return false;
        }
        const uint8_t* header = data_ + offset;
        const uint64_t count = static_cast<uint64_t>(loadLe16(header + 12)) + loadLe16(header + 14);
        if (!fits(offset + kDirectoryHeaderSize, count * kEntrySize)) {
            error = "a resource directory's entries run past the section";
            return false;
        }
        std::set<ResourceKey> keys;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* entry = header + kDirectoryHeaderSize + i * kEntrySize;
            RawEntry raw;
            const uint32_t name = loadLe32(entry);
            const uint32_t target = loadLe32(entry + 4);
            if ((name & kHighBit) != 0) {
                if (!readName(name & ~kHighBit, raw.key, error)) return false;
            } else {
                raw.key = ResourceKey::number(name);
            }
            if (!keys.insert(raw.key).second) {
                error = "a resource directory names one entry twice";
                return false;
            }
            raw.subdirectory = (target & kHighBit) != 0;
            raw.target = target & ~kHighBit;
            entries.push_back(std::move(raw));
        }
        return true;
    }

    bool readName(uint32_t offset, ResourceKey& key, std::string& error) const {
        if (!fits(offset, 2) || !fits(offset + 2ull, 2ull * loadLe16(data_ + offset))) {
            error = "a resource name lies outside the section";
            return false;
        }
        const size_t length = loadLe16(data_ + offset);
        std::u16string name(length, u'\0');
        for (size_t i = 0; i < length; ++i)
            name[i] = static_cast<char16_t>(loadLe16(data_ + offset + 2 + 2 * i));
        key = ResourceKey::text(std::move(name));
        return true;
    }

    bool dataEntry(uint32_t offset, ResourceData& out, std::string& error) {
        if (!fits(offset, kDataEntrySize)) {
            error = "a resource data entry lies outside the section";
            return false;
        }
        const uint32_t rva = loadLe32(data_ + offset);
        const uint32_t size = loadLe32(data_ + offset + 4);
        if (rva < rva_ || !fits(rva - rva_, size)) {
            error = "resource data lies outside the resource section";
            return false;
        }
        dataBytes_ += size;
        if (dataBytes_ > size_) {
            error = "the resources' data overlap";
            return false;
        }
        out.bytes.assign(reinterpret_cast<const char*>(data_ + (rva - rva_)), size);
        out.codePage = loadLe32(data_ + offset + 8);
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    uint32_t rva_;
    std::set<uint32_t> seen_;
    uint64_t dataBytes_ = 0;
};

// Lays a tree out in two steps: the sizes of the four regions first
// (directories, names, data entries, data), then every piece at its place.
// The order is the one GNU windres writes, so an unchanged tree comes out
// as the stub carried it.
class TreeWriter {
  public:
    TreeWriter(const ResourceTree& tree, uint32_t rva) : tree_(tree), rva_(rva) {}

    std::string write() {
        size_t directories = directorySize(tree_.types.size());
        size_t leaves = 0, names = 0;
        auto countName = [&names](const ResourceKey& key) {
            if (key.named) names += 2 + 2 * key.name.size();
        };
        for (const auto& [type, nameMap] : tree_.types) {
            countName(type);
            directories += directorySize(nameMap.size());
            for (const auto& [name, languages] : nameMap) {
                countName(name);
                directories += directorySize(languages.size());
                for (const auto& entry : languages) {
                    countName(entry.first);
                    ++leaves;
                }
            }
        }
        nextName_ = directories;
        nextDataEntry_ = static_cast<size_t>(alignUp(nextName_ + names, 8));
        nextData_ = nextDataEntry_ + leaves * kDataEntrySize;
        out_.assign(nextData_, '\0');

        // The root, then each type's directory followed by its names'.
        const size_t root = takeDirectory(tree_.types);
        size_t typeIndex = 0;
        for (const auto& [type, nameMap] : tree_.types) {
            const size_t typeDirectory = takeDirectory(nameMap);
            writeEntry(root, typeIndex++, type, static_cast<uint32_t>(typeDirectory) | kHighBit);
            std::vector<size_t> nameDirectories;
            for (const auto& entry : nameMap)
                nameDirectories.push_back(takeDirectory(entry.second));
            size_t nameIndex = 0;
            for (const auto& [name, languages] : nameMap) {
                const size_t nameDirectory = nameDirectories[nameIndex];
                writeEntry(typeDirectory, nameIndex++, name,
                           static_cast<uint32_t>(nameDirectory) | kHighBit);
                size_t languageIndex = 0;
                for (const auto& [language, data] : languages)
                    writeEntry(nameDirectory, languageIndex++, language, writeData(data));
            }
        }
        out_.resize(static_cast<size_t>(alignUp(out_.size(), 8)), '\0');
        return out_;
    }

  private:
    static size_t directorySize(size_t entries) {
        return kDirectoryHeaderSize + entries * kEntrySize;
    }

    // A directory's header at the next free place. The maps order named
    // keys first, as the system's lookup expects.
    template <typename Map> size_t takeDirectory(const Map& entries) {
        const size_t at = nextDirectory_;
        nextDirectory_ += directorySize(entries.size());
        size_t named = 0;
        for (const auto& entry : entries)
            named += entry.first.named ? 1 : 0;
        storeLe32(out_, at, tree_.characteristics);
        storeLe32(out_, at + 4, tree_.timeDateStamp);
        storeLe16(out_, at + 8, tree_.majorVersion);
        storeLe16(out_, at + 10, tree_.minorVersion);
        storeLe16(out_, at + 12, static_cast<uint16_t>(named));
        storeLe16(out_, at + 14, static_cast<uint16_t>(entries.size() - named));
        return at;
    }

    void writeEntry(size_t directory, size_t slot, const ResourceKey& key, uint32_t target) {
        const size_t at = directory + kDirectoryHeaderSize + slot * kEntrySize;
        uint32_t name = key.id;
        if (key.named) {
            name = static_cast<uint32_t>(nextName_) | kHighBit;
            storeLe16(out_, nextName_, static_cast<uint16_t>(key.name.size()));
            for (size_t i = 0; i < key.name.size(); ++i)
                storeLe16(out_, nextName_ + 2 + 2 * i, static_cast<uint16_t>(key.name[i]));
            nextName_ += 2 + 2 * key.name.size();
        }
        storeLe32(out_, at, name);
        storeLe32(out_, at + 4, target);
    }

    uint32_t writeData(const ResourceData& data) {
        const size_t entry = nextDataEntry_;
        nextDataEntry_ += kDataEntrySize;
        out_.resize(static_cast<size_t>(alignUp(nextData_, 8)), '\0');
        const size_t at = out_.size();
        out_ += data.bytes;
        nextData_ = out_.size();
        storeLe32(out_, entry, static_cast<uint32_t>(rva_ + at));
        storeLe32(out_, entry + 4, static_cast<uint32_t>(data.bytes.size()));
        storeLe32(out_, entry + 8, data.codePage);
        storeLe32(out_, entry + 12, 0);
        return static_cast<uint32_t>(entry);
    }

    const ResourceTree& tree_;
    uint32_t rva_;
    std::string out_;
    size_t nextDirectory_ = 0, nextDataEntry_ = 0, nextName_ = 0, nextData_ = 0;
};

} // namespace

bool operator<(const ResourceKey& a, const ResourceKey& b) {
    if (a.named != b.named) return a.named; // names first
    return a.named ? a.name < b.name : a.id < b.id;
}

bool operator==(const ResourceKey& a, const ResourceKey& b) {
    return a.named == b.named && (a.named ? a.name == b.name : a.id == b.id);
}

bool operator==(const ResourceData& a, const ResourceData& b) {
    return a.bytes == b.bytes && a.codePage == b.codePage;
}

bool operator==(const ResourceTree& a, const ResourceTree& b) {
    return a.types == b.types && a.characteristics == b.characteristics &&
           a.timeDateStamp == b.timeDateStamp && a.majorVersion == b.majorVersion &&
           a.minorVersion == b.minorVersion;
}

bool parseResourceSection(const uint8_t* data, size_t size, uint32_t sectionRva, ResourceTree& out,
                          std::string& error) {
    return TreeReader(data, size, sectionRva).read(out, error);
}

std::string layoutResourceSection(const ResourceTree& tree, uint32_t sectionRva) {
    return TreeWriter(tree, sectionRva).write();
}

bool readPeLayout(const std::string& image, PeLayout& out, std::string& error) {
    out = PeLayout();
    auto fits = [&image](uint64_t offset, uint64_t length) {
        return offset <= image.size() && length <= image.size() - offset;
    };
    if (!fits(0, 0x40) || image[0] != 'M' || image[1] != 'Z') {
        error = "not a PE image";
        return false;
    }
    const uint64_t pe = loadAt(image, 0x3C);
    if (!fits(pe, 4 + kCoffHeaderSize) || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
        error = "not a PE image (no PE signature)";
        return false;
    }
    const uint8_t* coff = reinterpret_cast<const uint8_t*>(image.data()) + pe + 4;
    const uint32_t sectionCount = loadLe16(coff + 2);
    const uint32_t optionalSize = loadLe16(coff + 16);
    const size_t optional = static_cast<size_t>(pe + 4 + kCoffHeaderSize);
    if (!fits(optional, optionalSize) || optionalSize < 2) {
        error = "damaged PE headers (optional header)";
        return false;
    }
    const uint16_t magic = loadLe16(reinterpret_cast<const uint8_t*>(image.data()) + optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        error = "neither a PE32 nor a PE32+ image";
        return false;
    }
    out.plus = magic == kPe32PlusMagic;
    const size_t directories = out.plus ? 112 : 96;
    if (optionalSize < directories) {
        error = "damaged PE headers (optional header too short)";
        return false;
    }
    out.initializedDataOffset = optional + 8;
    out.sizeOfImageOffset = optional + 56;
    out.checksumOffset = optional + 64;
    out.sectionAlignment = loadAt(image, optional + 32);
    out.fileAlignment = loadAt(image, optional + 36);
    const uint32_t directoryCount = loadAt(image, optional + directories - 4);
    auto directoryAt = [&](uint32_t index) -> size_t {
        const size_t at = optional + directories + 8 * static_cast<size_t>(index);
        return directoryCount > index && at + 8 <= optional + optionalSize ? at : 0;
    };
    if (const size_t security = directoryAt(kSecurityDirectory);
        security != 0 && loadAt(image, security + 4) != 0) {
        error = "the stub is signed already; sign the launcher that lumen-build writes instead";
        return false;
    }
    out.resourceDirectoryOffset = directoryAt(kResourceDirectory);
    if (out.resourceDirectoryOffset == 0 || loadAt(image, out.resourceDirectoryOffset) == 0)
        return true; // no resources: nothing to rewrite
    out.hasResources = true;
    auto powerOfTwo = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (!powerOfTwo(out.fileAlignment) || !powerOfTwo(out.sectionAlignment)) {
        error = "damaged PE headers (alignment)";
        return false;
    }
    out.resourceRva = loadAt(image, out.resourceDirectoryOffset);
    out.resourceTreeSize = loadAt(image, out.resourceDirectoryOffset + 4);

    const size_t sections = optional + optionalSize;
    if (sectionCount == 0 || !fits(sections, uint64_t{sectionCount} * kSectionHeaderSize)) {
        error = "damaged PE headers (section table)";
        return false;
    }
    uint64_t lastRva = 0, lastEnd = 0;
    bool found = false;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const size_t header = sections + i * kSectionHeaderSize;
        const uint32_t rva = loadAt(image, header + 12);
        const uint32_t rawSize = loadAt(image, header + 16);
        const uint32_t rawPointer = loadAt(image, header + 20);
        lastRva = std::max<uint64_t>(lastRva, rva);
        if (rawSize != 0) lastEnd = std::max<uint64_t>(lastEnd, uint64_t{rawPointer} + rawSize);
        if (rva == out.resourceRva) {
            found = true;
            out.resourceSectionHeader = header;
            out.resourceRawPointer = rawPointer;
            out.resourceRawSize = rawSize;
        }
    }
    if (!found) {
        error = "the resource directory does not begin a section";
        return false;
    }
    if (out.resourceRva != lastRva ||
        uint64_t{out.resourceRawPointer} + out.resourceRawSize != lastEnd) {
        error = "the resources are not in the image's last section, so they cannot be rewritten";
        return false;
    }
    if (!fits(out.resourceRawPointer, out.resourceRawSize) ||
        out.resourceTreeSize > out.resourceRawSize) {
        error = "damaged PE headers (resource section)";
        return false;
    }
    return true;
}

bool readResourceTree(const std::string& image, const PeLayout& layout, ResourceTree& out,
                      std::string& error) {
    const auto* data = reinterpret_cast<const uint8_t*>(image.data()) + layout.resourceRawPointer;
    if (!parseResourceSection(data, layout.resourceRawSize, layout.resourceRva, out, error)) {
        error = "damaged resources: " + error;
        return false;
    }
    return true;
}

bool replaceResourceSection(std::string& image, const PeLayout& layout, const ResourceTree& tree,
                            std::string& error) {
    const std::string section = layoutResourceSection(tree, layout.resourceRva);
    const uint64_t rawSize = alignUp(section.size(), layout.fileAlignment);
    const uint64_t imageSize =
        alignUp(uint64_t{layout.resourceRva} + section.size(), layout.sectionAlignment);
    if (imageSize > UINT32_MAX || rawSize > UINT32_MAX - layout.resourceRawPointer) {
        error = "the resources are too large for a PE image";
        return false;
    }
    image.resize(layout.resourceRawPointer);
    image += section;
    image.resize(static_cast<size_t>(layout.resourceRawPointer + rawSize), '\0');

    const size_t header = layout.resourceSectionHeader;
    storeLe32(image, header + 8, static_cast<uint32_t>(section.size()));
    storeLe32(image, header + 16, static_cast<uint32_t>(rawSize));
    storeLe32(image, layout.sizeOfImageOffset, static_cast<uint32_t>(imageSize));
    storeLe32(image, layout.resourceDirectoryOffset + 4, static_cast<uint32_t>(section.size()));
    // Initialised data counts the raw sizes of such sections; keep the
    // others' share as it was.
    const uint32_t initialised = loadAt(image, layout.initializedDataOffset);
    if (initialised >= layout.resourceRawSize)
        storeLe32(image, layout.initializedDataOffset,
                  static_cast<uint32_t>(initialised - layout.resourceRawSize + rawSize));
    return true;
}

// The checksum sums the file as little-endian 16-bit words with the carry
// folded back in, then adds the file's length.
void PeChecksum::add(const char* data, size_t size) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data);
    size_t i = 0;
    if (pending_ >= 0 && size > 0) {
        sum_ += static_cast<uint32_t>(pending_) | (uint32_t{bytes[0]} << 8);
        pending_ = -1;
        i = 1;
    }
    for (; i + 1 < size; i += 2) {
        sum_ += loadLe16(bytes + i);
        if (sum_ > 0xFFFFFFFFull) sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
    }
    if (i < size) pending_ = bytes[i];
    length_ += size;
}

uint32_t PeChecksum::finish() const {
    uint64_t sum = sum_ + (pending_ >= 0 ? static_cast<uint32_t>(pending_) : 0);
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + length_);
}

} // namespace lumen::builder
