#include "read_check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config_block.h"
#include "core/property_store.h"

namespace lumen_fuzz {
namespace {

using lumen::BlockError;
using lumen::BlockReader;
using lumen::ByteSource;
using lumen::PropertyStore;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// A file read by ReadFile may come back in pieces; this source hands out at
// most `step` bytes per call so the reader's refill path is walked at every
// field boundary, not only at 64 KiB.
struct ChoppedSource {
    const uint8_t* data;
    size_t size;
    size_t step;
    size_t position = 0;

    ByteSource source() {
        ByteSource s;
        s.context = this;
        s.read = [](void* context, void* buffer, size_t n, size_t& got, unsigned long& error) {
            auto* self = static_cast<ChoppedSource*>(context);
            error = 0;
            size_t left = self->size - self->position;
            got = n < left ? n : left;
            if (got > self->step) got = self->step;
            if (got != 0) std::memcpy(buffer, self->data + self->position, got);
            self->position += got;
            return true;
        };
        return s;
    }
};

struct Outcome {
    BlockError error;
    uint64_t consumed;
};

Outcome readWith(ByteSource source, const size_t& position, uint64_t limit, PropertyStore& store) {
    BlockReader reader(source, limit);
    const BlockError error = readConfigurationBlock(reader, store);
    if (reader.consumed() + reader.bytesLeft() != limit) fail("consumed + left != block length");
    if (position > limit) fail("reader took bytes beyond the block's bounds");
    if (reader.consumed() > position) fail("reader delivered more bytes than it was given");
    return {error, reader.consumed()};
}

void lookUp(const PropertyStore& store) {
    // The ids the launcher reads as numbers and colours, then every stored id.
    static const int32_t kFixed[] = {0, 1, 107, 125, 130, 131, 2002, 2003, -1};
    volatile uint64_t sink = 0;
    for (int32_t id : kFixed)
        sink = sink + store.getInt(id) + store.getColor(id);

    char narrow[17];
    char16_t wide[17];
    for (const auto& entry : store.narrowMap()) {
        sink = sink + store.getInt(entry.first) + store.getColor(entry.first);
        const size_t capacity = 1 + entry.second.size() % sizeof narrow;
        const size_t length = store.getString(entry.first, narrow, capacity);
        if (length >= capacity || narrow[length] != '\0') fail("getString overran its buffer");
        if (store.string(entry.first).size() >= lumen::kTextBufferSize) fail("string not cut");
    }
    for (const auto& entry : store.wideMap()) {
        const size_t capacity = 1 + entry.second.size() % 17;
        const size_t length = store.getWide(entry.first, wide, capacity);
        if (length >= capacity || wide[length] != u'\0') fail("getWide overran its buffer");
        const std::u16string text = store.wide(entry.first);
        if (text.size() >= lumen::kTextBufferSize) fail("wide text not cut");
        if (text.compare(0, text.size(), entry.second, 0, text.size()) != 0)
            fail("wide lookup differs from the stored text");
    }
    (void)sink;
}

} // namespace

void readBlockAndLookUp(const uint8_t* data, size_t size, uint64_t limit) {
    if (limit > size) fail("block bounds beyond the end of the file");

    lumen::MemorySource memory{data, size};
    PropertyStore store;
    const Outcome whole = readWith(memory.source(), memory.position, limit, store);

    // The same bytes delivered in small pieces must read exactly the same.
    ChoppedSource chopped{data, size, 1 + size % 13};
    PropertyStore again;
    const Outcome pieces = readWith(chopped.source(), chopped.position, limit, again);
    if (whole.error != pieces.error || whole.consumed != pieces.consumed ||
        store.narrowMap() != again.narrowMap() || store.wideMap() != again.wideMap())
        fail("piecewise read differs from the whole read");

    lookUp(store);
    if (whole.error != BlockError::None) return;

    // What was read, written back out, reads back the same.
    const std::string encoded =
        lumen::encodeConfigurationTables(store.narrowMap(), store.wideMap());
    lumen::MemorySource copy{reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size()};
    BlockReader reader(copy.source(), encoded.size());
    PropertyStore reread;
    if (readConfigurationBlock(reader, reread) != BlockError::None || reader.bytesLeft() != 0 ||
        reread.narrowMap() != store.narrowMap() || reread.wideMap() != store.wideMap())
        fail("re-encoded tables do not read back the same");
}

} // namespace lumen_fuzz
