// The property store: the launcher's whole configuration, keyed by id.
//
// Contract: two maps, 8-bit texts (system code page bytes) and UTF-16 texts,
// filled once by the configuration reader and read-only afterwards, so any
// thread may look up without a lock. Lookups never insert: an absent id
// reads as the empty text or 0. Copies into caller buffers are cut to the
// buffer (capacity - 1 units and a terminator), as every caller relies on
// for its fixed-size buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>

namespace lumen {

// Size of the launcher's text buffers: texts are cut to kTextBufferSize - 1.
constexpr size_t kTextBufferSize = 8192;

class PropertyStore {
  public:
    void setNarrow(int32_t id, std::string text) { put(narrow_, id, std::move(text)); }
    void setWide(int32_t id, std::u16string text) { put(wide_, id, std::move(text)); }
    void clear() {
        narrow_.clear();
        wide_.clear();
    }

    // Copies the text into buffer (capacity bytes, terminated); returns its length.
    size_t getString(int32_t id, char* buffer, size_t capacity) const;
    size_t getWide(int32_t id, char16_t* buffer, size_t capacity) const;

    // The text as the launcher's 8,192-unit buffers would hold it.
    std::string string(int32_t id) const;
    std::u16string wide(int32_t id) const;

    int32_t getInt(int32_t id) const;
    uint32_t getColor(int32_t id) const;

    bool hasNarrow(int32_t id) const { return narrow_.count(id) != 0; }
    size_t narrowCount() const { return narrow_.size(); }
    size_t wideCount() const { return wide_.size(); }
    const std::map<int32_t, std::string>& narrowMap() const { return narrow_; }
    const std::map<int32_t, std::u16string>& wideMap() const { return wide_; }

  private:
    std::map<int32_t, std::string> narrow_;
    std::map<int32_t, std::u16string> wide_;

    // Blocks list their ids in ascending order, so the common insertion is
    // at the end, where a hint makes it constant time.
    template <typename Text> static void put(std::map<int32_t, Text>& map, int32_t id, Text text) {
        if (map.empty() || std::prev(map.end())->first < id)
            map.emplace_hint(map.end(), id, std::move(text));
        else
            map[id] = std::move(text);
    }
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
