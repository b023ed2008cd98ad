#include "core/config_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/bytes.h"

namespace lumen {
namespace {

struct Parsed {
    BlockError error;
    PropertyStore store;
    uint64_t consumed;
};

Parsed parse(const std::string& bytes) {
    MemorySource memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    BlockReader reader(memory.source(), bytes.size());
    Parsed result{BlockError::None, PropertyStore(), 0};
    result.error = readConfigurationBlock(reader, result.store);
    result.consumed = reader.consumed();
    return result;
}

std::string header(int32_t narrowCount) {
    std::string out;
    appendLe32(out, kBlockMagic);
    appendLe32(out, static_cast<uint32_t>(narrowCount));
    return out;
}

void entry(std::string& out, int32_t id, int32_t length, const std::string& bytes) {
    appendLe32(out, static_cast<uint32_t>(id));
    appendLe32(out, static_cast<uint32_t>(length));
    out += bytes;
}

TEST(ConfigBlock, RoundTripsBothTablesAndStopsAtTheFilesSection) {
    const std::string tables = encodeConfigurationTables(
        {{122, "com.example.Main"}, {107, "1"}, {5, ""}}, {{20013, u"Caption \u00e9"}});
    const Parsed parsed = parse(tables + "FILES");
    ASSERT_EQ(parsed.error, BlockError::None);
    EXPECT_EQ(parsed.store.string(122), "com.example.Main");
    EXPECT_EQ(parsed.store.getInt(107), 1);
    EXPECT_TRUE(parsed.store.hasNarrow(5));
    EXPECT_EQ(parsed.store.string(5), "");
    EXPECT_EQ(parsed.store.wide(20013), u"Caption \u00e9");
    EXPECT_EQ(parsed.consumed, tables.size());
}

TEST(ConfigBlock, EmptyAndNegativeCountsMeanEmptyTables) {
    for (int32_t count : {0, -1, INT32_MIN}) {
        std::string bytes = header(count);
        appendLe32(bytes, static_cast<uint32_t>(count));
        const Parsed parsed = parse(bytes);
        ASSERT_EQ(parsed.error, BlockError::None) << count;
        EXPECT_EQ(parsed.store.narrowCount() + parsed.store.wideCount(), 0u);
        EXPECT_EQ(parsed.consumed, 12u) << "the files section begins behind the wide count";
    }
}

TEST(ConfigBlock, LaterEntryWithTheSameIdWins) {
    std::string bytes = header(2);
    entry(bytes, 7, 5, "first");
    entry(bytes, 7, 6, "second");
    appendLe32(bytes, 2);
    entry(bytes, 9, 2, std::string("a\0", 2));
    entry(bytes, 9, 2, std::string("b\0", 2));
    const Parsed parsed = parse(bytes);
    ASSERT_EQ(parsed.error, BlockError::None);
    EXPECT_EQ(parsed.store.string(7), "second");
    EXPECT_EQ(parsed.store.wide(9), u"b");
}

TEST(ConfigBlock, WideEntryOfTenBytesIsFiveUnits) {
    std::string bytes = header(0);
    appendLe32(bytes, 1);
    entry(bytes, 20001, 10, std::string("h\0e\0l\0l\0o\0", 10));
    const Parsed parsed = parse(bytes);
    ASSERT_EQ(parsed.error, BlockError::None);
    EXPECT_EQ(parsed.store.wide(20001), u"hello");
}

TEST(ConfigBlock, EachShortReadIsReportedByTheReaderThatRanShort) {
    const std::string good = encodeConfigurationTables({{1, "abcdef"}}, {{2, u"xyz"}});
    // magic(4) count(4) id(4) len(4) "abcdef"(6) count(4) id(4) len(4) 6 bytes
    struct Cut {
        size_t keep;
        BlockError expected;
    } cuts[] = {{0, BlockError::ReadInt},      {3, BlockError::ReadInt},
                {6, BlockError::ReadInt},      {10, BlockError::ReadInt},
                {14, BlockError::ReadInt},     {18, BlockError::ReadString},
                {21, BlockError::ReadString},  {24, BlockError::ReadInt},
                {30, BlockError::ReadInt},     {34, BlockError::ReadWString},
                {37, BlockError::ReadWString}, {good.size() - 1, BlockError::ReadWString}};
    for (const Cut& cut : cuts)
        EXPECT_EQ(parse(good.substr(0, cut.keep)).error, cut.expected) << cut.keep;
    EXPECT_EQ(parse(good).error, BlockError::None);
}

TEST(ConfigBlock, DamagedLengthsAreRejectedBeforeAnyAllocation) {
    for (int32_t length : {INT32_MAX, 0x7FFFFFF0, -1, INT32_MIN}) {
        std::string narrow = header(1);
        entry(narrow, 1, length, "abc");
        EXPECT_EQ(parse(narrow).error, BlockError::ReadString) << length;

        std::string wide = header(0);
        appendLe32(wide, 1);
        entry(wide, 1, length, "abcd");
        EXPECT_EQ(parse(wide).error, BlockError::ReadWString) << length;
    }
    std::string odd = header(0);
    appendLe32(odd, 1);
    entry(odd, 1, 3, "abcd");
    EXPECT_EQ(parse(odd).error, BlockError::ReadWString);
}

TEST(ConfigBlock, OnlyTheExactMagicIsAccepted) {
    std::string bytes = encodeConfigurationTables({}, {});
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xD5);
    EXPECT_EQ(static_cast<uint8_t>(bytes[3]), 0xE8);
    for (size_t i = 0; i < 4; ++i) {
        std::string damaged = bytes;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x01);
        EXPECT_EQ(parse(damaged).error, BlockError::Magic);
    }
    EXPECT_STREQ(blockErrorText(BlockError::Magic), "Internal Error: magic");
}

TEST(ConfigBlock, ReaderNeverReadsPastItsBounds) {
    // The bytes behind the bounds (a signature, say) must not complete a table.
    const std::string tables = encodeConfigurationTables({{1, "abcdef"}}, {});
    std::string withTail = tables + "TRAILING";
    MemorySource memory{reinterpret_cast<const uint8_t*>(withTail.data()), withTail.size()};
    BlockReader reader(memory.source(), tables.size() - 1);
    PropertyStore store;
    EXPECT_EQ(readConfigurationBlock(reader, store), BlockError::ReadInt);
    EXPECT_LE(memory.position, tables.size() - 1);
}

TEST(ConfigBlock, LargeTablesCrossTheReadBufferIntact) {
    std::map<int32_t, std::string> narrow;
    for (int32_t id = 0; id < 3000; ++id)
        narrow[id] = std::string(static_cast<size_t>(id % 97), 'a' + id % 26);
    narrow[5000] = std::string(BlockReader::kBufferSize * 2 + 3, 'z');
    const Parsed parsed = parse(encodeConfigurationTables(narrow, {}));
    ASSERT_EQ(parsed.error, BlockError::None);
    EXPECT_EQ(parsed.store.narrowMap(), narrow);
}

// A source that hands out at most `step` bytes per call, as ReadFile may.
struct SteppedSource {
    const std::string& bytes;
    size_t step;
    size_t position = 0;
    ByteSource source() {
        ByteSource s;
        s.context = this;
        s.read = [](void* context, void* buffer, size_t n, size_t& got, unsigned long& error) {
            auto* self = static_cast<SteppedSource*>(context);
            error = 0;
            got = std::min({n, self->step, self->bytes.size() - self->position});
            std::memcpy(buffer, self->bytes.data() + self->position, got);
            self->position += got;
            return true;
        };
        return s;
    }
};

TEST(ConfigBlock, BytesReadBeyondTheTablesAreDeliveredAfterThem) {
    std::map<int32_t, std::string> narrow;
    for (int32_t id = 1; id <= 900; ++id)
        narrow[id] = std::string(static_cast<size_t>(id % 150), static_cast<char>('a' + id % 26));
    const std::string tables = encodeConfigurationTables(narrow, {{20001, u"Wide \u00e9"}});
    std::string files;
    for (size_t i = 0; i < 3 * BlockReader::kBufferSize; ++i)
        files.push_back(static_cast<char>(i * 31 % 251));
    // Tails shorter and longer than a chunk, sources whole and in pieces.
    for (const size_t tail : {size_t{0}, size_t{5}, BlockReader::kBufferSize + 7, files.size()}) {
        for (const size_t step : {size_t{1} << 30, size_t{4093}, size_t{7}}) {
            const std::string block = tables + files.substr(0, tail);
            SteppedSource stepped{block, step};
            BlockReader reader(stepped.source(), block.size());
            PropertyStore store;
            ASSERT_EQ(readConfigurationBlock(reader, store), BlockError::None)
                << tail << "/" << step;
            EXPECT_EQ(reader.consumed(), tables.size());
            EXPECT_EQ(reader.bytesLeft(), tail);
            EXPECT_EQ(store.narrowMap(), narrow);
            EXPECT_EQ(store.wide(20001), u"Wide \u00e9");
            std::string rest(tail, '\0');
            if (tail != 0) {
                ASSERT_TRUE(reader.readExact(&rest[0], tail)) << tail << "/" << step;
            }
            EXPECT_EQ(rest, files.substr(0, tail)) << tail << "/" << step;
            EXPECT_EQ(reader.bytesLeft(), 0u);
        }
    }
}

TEST(ConfigBlock, UnreadBytesComeBackBeforeTheRest) {
    const std::string bytes = "0123456789abcdef";
    MemorySource memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    BlockReader reader(memory.source(), 12);
    char got[16] = {};
    ASSERT_EQ(reader.readSome(got, 5), 5u);
    reader.unread(got + 2, 3); // "234" again
    EXPECT_EQ(reader.consumed(), 2u);
    EXPECT_EQ(reader.bytesLeft(), 10u);
    ASSERT_TRUE(reader.readExact(got, 10));
    EXPECT_EQ(std::string(got, 10), "23456789ab");
    EXPECT_EQ(reader.readSome(got, 4), 0u) << "never past the bounds";
}

TEST(ConfigBlock, StoreAdoptionKeepsTheLastEntryPerIdWhateverTheOrder) {
    PropertyStore store;
    store.setNarrow(5, "kept");
    store.setNarrow(9, "replaced");
    std::string bytes = header(5);
    entry(bytes, 30, 1, "c");
    entry(bytes, 9, 3, "new");
    entry(bytes, 1, 1, "a");
    entry(bytes, 30, 2, "cc");
    entry(bytes, -4, 3, "neg");
    appendLe32(bytes, 0);
    MemorySource memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    BlockReader reader(memory.source(), bytes.size());
    ASSERT_EQ(readConfigurationBlock(reader, store), BlockError::None);
    const std::map<int32_t, std::string> expected{
        {-4, "neg"}, {1, "a"}, {5, "kept"}, {9, "new"}, {30, "cc"}};
    EXPECT_EQ(store.narrowMap(), expected);
    for (const auto& item : expected)
        EXPECT_EQ(store.string(item.first), item.second) << item.first;
    EXPECT_FALSE(store.hasNarrow(2));
    EXPECT_EQ(store.narrowCount(), expected.size());
}

TEST(ConfigBlock, AFailedTableKeepsTheEntriesBeforeTheFailure) {
    std::string bytes = header(3);
    entry(bytes, 1, 3, "one");
    entry(bytes, 2, 3, "two");
    entry(bytes, 3, 50, "short");
    const Parsed parsed = parse(bytes);
    EXPECT_EQ(parsed.error, BlockError::ReadString);
    EXPECT_EQ(parsed.store.string(2), "two");
    EXPECT_FALSE(parsed.store.hasNarrow(3));
}

TEST(ConfigBlock, ScramblingIsItsOwnInverse) {
    uint8_t data[] = {0x00, 0xA7, 0xFF, 0x41};
    scrambleBytes(data, sizeof data);
    EXPECT_EQ(data[0], 0xA7);
    EXPECT_EQ(data[1], 0x00);
    EXPECT_EQ(data[2], 0x58);
    scrambleBytes(data, sizeof data);
    EXPECT_EQ(data[3], 0x41);
}

} // namespace
} // namespace lumen

namespace lumen {
namespace {

TEST(ConfigBlock, LargeReadsStayInsideTheBounds) {
    std::string bytes(3 * BlockReader::kBufferSize, 'x');
    MemorySource memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    const uint64_t bounds = 2 * BlockReader::kBufferSize;
    BlockReader reader(memory.source(), bounds);
    std::string out(bounds + 1, '\0');
    EXPECT_FALSE(reader.readExact(&out[0], out.size()));
    EXPECT_LE(memory.position, bounds);

    MemorySource again{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    BlockReader whole(again.source(), bounds);
    out.resize(bounds);
    EXPECT_TRUE(whole.readExact(&out[0], out.size()));
    EXPECT_EQ(whole.bytesLeft(), 0u);
}

} // namespace
} // namespace lumen
