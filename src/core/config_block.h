// The appended configuration block: reading and writing its byte layout.
//
// Layout (all integers 32-bit little-endian, signed):
//   magic 0xE8E413D5 | narrow count N | N x (id, length L, L bytes)
//   | wide count M | M x (id, length L (even), L bytes UTF-16LE)
//   | included-files section: per file (size S, S bytes XOR 0xA7)
//
// Contract of the readers: reads are strictly sequential from a byte source
// limited to the block's bounds. Every length is checked against the bytes
// left in the block before anything is allocated, so a damaged length ends
// in the reader's error (never an allocation failure); negative lengths and
// odd wide lengths are rejected by the reader that met them. Counts of 0 or
// less mean an empty table; a later entry with the same id wins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/property_store.h"

namespace lumen {

constexpr uint32_t kBlockMagic = 0xE8E413D5u;
constexpr uint8_t kScrambleByte = 0xA7;

enum class BlockError { None, ReadInt, ReadString, ReadWString, Magic };

// A sequential byte source (the launcher's own file, or memory in tests).
struct ByteSource {
    void* context = nullptr;
    // Reads up to n bytes into buffer, setting got. Returns false on a read
    // error and stores the system's error code in error.
    bool (*read)(void* context, void* buffer, size_t n, size_t& got,
                 unsigned long& error) = nullptr;
};

// Reads through a buffer of its own, so that a table of many small fields
// costs a few large reads rather than one system call per field. It never
// asks the source for bytes beyond the block's bounds.
class BlockReader {
  public:
    static constexpr size_t kBufferSize = size_t{64} * 1024;

    BlockReader(ByteSource source, uint64_t bytesLeft) : source_(source), left_(bytesLeft) {}

    bool readInt(int32_t& out);
    // A length, then the text: ReadInt when the length itself ran short,
    // ReadString / ReadWString for a bad length or short text.
    BlockError readString(std::string& out);
    BlockError readWString(std::u16string& out);
    // Reads exactly n bytes, or fails.
    bool readExact(void* buffer, size_t n);
    // Reads what is buffered, or else one read of the source, up to max
    // bytes; 0 when the block has ended or the read failed.
    size_t readSome(void* buffer, size_t max);
    // Hands back the last n bytes read (data holds a copy of them): they are
    // delivered again, before anything else, and count as not consumed.
    void unread(const void* data, size_t n);

    uint64_t bytesLeft() const { return left_; }
    uint64_t consumed() const { return consumed_; }
    // System error code of the last failed read (0 when the block ran short).
    unsigned long systemError() const { return systemError_; }

  private:
    bool refill();

    ByteSource source_;
    uint64_t left_; // bytes of the block not yet delivered (buffered ones included)
    uint64_t consumed_ = 0;
    unsigned long systemError_ = 0;
    std::unique_ptr<uint8_t[]> buffer_; // allocated on first use, never zero-filled
    size_t bufferCapacity_ = 0;
    size_t bufferPos_ = 0;
    size_t bufferEnd_ = 0;
};

// Reads the magic, then both tables into store. On success the reader stands
// at the included-files section. The texts are read straight into chunks
// that the store takes over, so each byte is copied once; what was read
// beyond the tables goes back to the reader. On failure the store holds the
// entries before the one that failed.
BlockError readConfigurationBlock(BlockReader& reader, PropertyStore& store);

// The fixed texts reported for each failure.
const char* blockErrorText(BlockError error);

// Writes magic and both tables; the included-files records follow.
std::string encodeConfigurationTables(const std::map<int32_t, std::string>& narrow,
                                      const std::map<int32_t, std::u16string>& wide);

// XOR-scrambles (or unscrambles: the same operation) bytes in place.
void scrambleBytes(uint8_t* data, size_t size);

// A ByteSource over memory, for tests and the fuzzer.
struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t position = 0;
    ByteSource source();
};

} // namespace lumen
