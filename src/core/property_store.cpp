#include "core/property_store.h"

#include <climits>

namespace lumen {
namespace {

template <typename Char>
size_t copyCut(const std::basic_string<Char>* text, Char* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0) return 0;
    size_t length = 0;
    if (text != nullptr) {
        length = text->size() < capacity - 1 ? text->size() : capacity - 1;
        text->copy(buffer, length);
    }
    buffer[length] = Char(0);
    return length;
}

template <typename Map> const typename Map::mapped_type* find(const Map& map, int32_t id) {
    auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

} // namespace

size_t PropertyStore::getString(int32_t id, char* buffer, size_t capacity) const {
    return copyCut(find(narrow_, id), buffer, capacity);
}

size_t PropertyStore::getWide(int32_t id, char16_t* buffer, size_t capacity) const {
    return copyCut(find(wide_, id), buffer, capacity);
}

std::string PropertyStore::string(int32_t id) const {
    const std::string* text = find(narrow_, id);
    if (text == nullptr) return std::string();
    return text->substr(0, kTextBufferSize - 1);
}

std::u16string PropertyStore::wide(int32_t id) const {
    const std::u16string* text = find(wide_, id);
    if (text == nullptr) return std::u16string();
    return text->substr(0, kTextBufferSize - 1);
}

int32_t PropertyStore::getInt(int32_t id) const { return parseLeadingInt(string(id)); }

uint32_t PropertyStore::getColor(int32_t id) const { return parseColor(string(id)); }

int32_t parseLeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
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
