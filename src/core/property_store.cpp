#include "core/property_store.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "core/bytes.h"
#include "core/short_sort.h"

namespace lumen {
namespace {

using Entry = PropertyStore::Entry;

bool idBefore(const Entry& entry, int32_t id) {
    return entry.id < id;
}

bool strictlyAscending(const std::vector<Entry>& entries) {
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i - 1].id >= entries[i].id) return false;
    return true;
}

// Adds entries (in arrival order) to index (ascending, each id once): an
// entry that comes later wins. Blocks list their ids in ascending order,
// so the usual case is one check and an append.
void merge(std::vector<Entry>& index, std::vector<Entry>&& added) {
    if (added.empty()) return;
    if (strictlyAscending(added) && (index.empty() || index.back().id < added.front().id)) {
        if (index.empty())
            index = std::move(added);
        else
            index.insert(index.end(), added.begin(), added.end());
        return;
    }
    index.insert(index.end(), added.begin(), added.end());
    shortStableSort(index.begin(), index.end(),
                    [](const Entry& a, const Entry& b) { return a.id < b.id; });
    size_t kept = 0;
    for (size_t i = 0; i < index.size(); ++i) {
        if (i + 1 < index.size() && index[i + 1].id == index[i].id) continue; // a later one wins
        index[kept++] = index[i];
    }
    index.resize(kept);
}

size_t cut(size_t units, size_t capacity) {
    return units < capacity - 1 ? units : capacity - 1;
}

void decodeWide(const uint8_t* bytes, size_t units, char16_t* out) {
    for (size_t i = 0; i < units; ++i)
        out[i] = static_cast<char16_t>(loadLe16(bytes + 2 * i));
}

std::string narrowText(const Entry& entry, size_t limit) {
    const size_t size = entry.size < limit ? entry.size : limit;
    if (size == 0) return std::string();
    return std::string(reinterpret_cast<const char*>(entry.bytes), size);
}

std::u16string wideText(const Entry& entry, size_t limit) {
    const size_t units = entry.size / 2 < limit ? entry.size / 2 : limit;
    std::u16string text(units, u'\0');
    if (units != 0) decodeWide(entry.bytes, units, &text[0]);
    return text;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

const Entry* PropertyStore::find(const std::vector<Entry>& index, int32_t id) {
    const auto it = std::lower_bound(index.begin(), index.end(), id, idBefore);
    return it != index.end() && it->id == id ? &*it : nullptr;
}

void PropertyStore::put(std::vector<Entry>& index, int32_t id, const uint8_t* bytes, size_t size) {
    // Each text set one by one gets a chunk of its own; only tests and tools
    // fill a store this way, blocks arrive through adopt().
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[size == 0 ? 1 : size]);
    if (size != 0) std::memcpy(chunk.get(), bytes, size);
    const Entry entry{id, static_cast<uint32_t>(size), chunk.get()};
    chunks_.push_back(std::move(chunk));
    const auto it = std::lower_bound(index.begin(), index.end(), id, idBefore);
    if (it != index.end() && it->id == id)
        *it = entry;
    else
        index.insert(it, entry);
}

void PropertyStore::setNarrow(int32_t id, const std::string& text) {
    put(narrow_, id, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void PropertyStore::setWide(int32_t id, const std::u16string& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text)
        appendLe16(bytes, static_cast<uint16_t>(unit));
    put(wide_, id, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void PropertyStore::adopt(Tables&& tables) {
    chunks_.reserve(chunks_.size() + tables.chunks.size());
    std::move(tables.chunks.begin(), tables.chunks.end(), std::back_inserter(chunks_));
    tables.chunks.clear();
    merge(narrow_, std::move(tables.narrow));
    merge(wide_, std::move(tables.wide));
}

void PropertyStore::clear() {
    narrow_.clear();
    wide_.clear();
    chunks_.clear();
}

size_t PropertyStore::getString(int32_t id, char* buffer, size_t capacity) const {
    if (buffer == nullptr || capacity == 0) return 0;
    const Entry* entry = find(narrow_, id);
    const size_t length = entry == nullptr ? 0 : cut(entry->size, capacity);
    if (length != 0) std::memcpy(buffer, entry->bytes, length);
    buffer[length] = '\0';
    return length;
}

size_t PropertyStore::getWide(int32_t id, char16_t* buffer, size_t capacity) const {
    if (buffer == nullptr || capacity == 0) return 0;
    const Entry* entry = find(wide_, id);
    const size_t length = entry == nullptr ? 0 : cut(entry->size / 2, capacity);
    if (length != 0) decodeWide(entry->bytes, length, buffer);
    buffer[length] = u'\0';
    return length;
}

std::string PropertyStore::string(int32_t id) const {
    const Entry* entry = find(narrow_, id);
    return entry == nullptr ? std::string() : narrowText(*entry, kTextBufferSize - 1);
}

std::u16string PropertyStore::wide(int32_t id) const {
    const Entry* entry = find(wide_, id);
    return entry == nullptr ? std::u16string() : wideText(*entry, kTextBufferSize - 1);
}

std::map<int32_t, std::string> PropertyStore::narrowMap() const {
    std::map<int32_t, std::string> map;
    for (const Entry& entry : narrow_)
        map.emplace_hint(map.end(), entry.id, narrowText(entry, entry.size));
    return map;
}

std::map<int32_t, std::u16string> PropertyStore::wideMap() const {
    std::map<int32_t, std::u16string> map;
    for (const Entry& entry : wide_)
        map.emplace_hint(map.end(), entry.id, wideText(entry, entry.size / 2));
    return map;
}

int32_t PropertyStore::getInt(int32_t id) const {
    return parseLeadingInt(string(id));
}

uint32_t PropertyStore::getColor(int32_t id) const {
    return parseColor(string(id));
}

int32_t parseLeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int32_t>(value);
}

uint32_t parseColor(const std::string& text) {
    int32_t parts[3] = {0, 0, 0};
    size_t found = 0;
    size_t pos = 0;
    while (found < 3 && pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        if (comma > pos) parts[found++] = parseLeadingInt(text.substr(pos, comma - pos));
        pos = comma + 1;
    }
    const uint32_t red = static_cast<uint32_t>(parts[0]) & 0xFFu;
    const uint32_t green = static_cast<uint32_t>(parts[1]) & 0xFFFFu;
    const uint32_t blue = static_cast<uint32_t>(parts[2]) & 0xFFu;
    return red | (green << 8) | (blue << 16);
}

} // namespace lumen
