// The property store: the launcher's whole configuration, keyed by id.
//
// Contract: two tables, 8-bit texts (system code page bytes) and UTF-16
// texts, filled once by the configuration reader and read-only afterwards,
// so any thread may look up without a lock. Lookups never insert: an absent
// id reads as the empty text or 0. Copies into caller buffers are cut to the
// buffer (capacity - 1 units and a terminator), as every caller relies on
// for its fixed-size buffers.
//
// The store is flat: it keeps the bytes the texts arrived in (UTF-16 texts
// as little-endian bytes) and, per table, an index of (id, size, where)
// sorted by id with each id once. Reading a block therefore costs one pass
// over it and no allocation per property; a lookup is a binary search, and
// texts are only decoded when they are asked for. The store owns the bytes
// its index points into, so it moves but does not copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumen {

// Size of the launcher's text buffers: texts are cut to kTextBufferSize - 1.
constexpr size_t kTextBufferSize = 8192;

class PropertyStore {
  public:
    // One text: size bytes at bytes, which the store owns (narrow texts as
    // they are, wide ones as UTF-16LE with an even size).
    struct Entry {
        int32_t id;
        uint32_t size;
        const uint8_t* bytes;
    };

    // A block's tables as they were read: the chunks holding their bytes
    // and each table's entries in block order (ids in any order, repeats
    // allowed).
    struct Tables {
        std::vector<std::unique_ptr<uint8_t[]>> chunks;
        std::vector<Entry> narrow;
        std::vector<Entry> wide;
    };

    PropertyStore() = default;
    PropertyStore(PropertyStore&&) = default;
    PropertyStore& operator=(PropertyStore&&) = default;
    PropertyStore(const PropertyStore&) = delete;
    PropertyStore& operator=(const PropertyStore&) = delete;

    void setNarrow(int32_t id, const std::string& text);
    void setWide(int32_t id, const std::u16string& text);
    // Takes over the tables' bytes and entries: a later entry for an id
    // replaces an earlier one, and any entry replaces what the store held.
    void adopt(Tables&& tables);
    void clear();

    // Copies the text into buffer (capacity bytes, terminated); returns its length.
    size_t getString(int32_t id, char* buffer, size_t capacity) const;
    size_t getWide(int32_t id, char16_t* buffer, size_t capacity) const;

    // The text as the launcher's 8,192-unit buffers would hold it.
    std::string string(int32_t id) const;
    std::u16string wide(int32_t id) const;

    int32_t getInt(int32_t id) const;
    uint32_t getColor(int32_t id) const;

    bool hasNarrow(int32_t id) const { return find(narrow_, id) != nullptr; }
    size_t narrowCount() const { return narrow_.size(); }
    size_t wideCount() const { return wide_.size(); }
    // Every text, whole (uncut): for the tools and the tests that compare
    // tables.
    std::map<int32_t, std::string> narrowMap() const;
    std::map<int32_t, std::u16string> wideMap() const;

  private:
    static const Entry* find(const std::vector<Entry>& index, int32_t id);
    void put(std::vector<Entry>& index, int32_t id, const uint8_t* bytes, size_t size);

    std::vector<std::unique_ptr<uint8_t[]>> chunks_;
    std::vector<Entry> narrow_; // ascending ids, each once
    std::vector<Entry> wide_;   // ascending ids, each once
};

// Leading decimal integer: blanks skipped, optional sign, stops at the first
// non-digit; no digits gives 0. Values beyond 32 bits saturate.
int32_t parseLeadingInt(const std::string& text);

// "r,g,b" into the Windows colour value r | g << 8 | b << 16. Red and blue
// keep their low 8 bits, green its low 16 bits before the shift (so a green
// above 255 runs into blue). Runs of commas count as one; missing
// components are 0.
uint32_t parseColor(const std::string& text);

} // namespace lumen
