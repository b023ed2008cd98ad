#include "core/config_block.h"

#include <cstring>
#include <vector>

#include "core/bytes.h"

namespace lumen {

bool BlockReader::refill() {
    const uint64_t unbuffered = left_ - (bufferEnd_ - bufferPos_);
    if (unbuffered == 0) return false;
    if (!buffer_) {
        buffer_.reset(new uint8_t[kBufferSize]);
        bufferCapacity_ = kBufferSize;
    }
    const size_t want =
        unbuffered < bufferCapacity_ ? static_cast<size_t>(unbuffered) : bufferCapacity_;
    size_t got = 0;
    unsigned long error = 0;
    if (!source_.read(source_.context, buffer_.get(), want, got, error)) {
        systemError_ = error;
        return false;
    }
    if (got == 0) return false;
    bufferPos_ = 0;
    bufferEnd_ = got < want ? got : want;
    return true;
}

bool BlockReader::readExact(void* buffer, size_t n) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n) {
        // Large reads with nothing buffered go straight to the caller.
        if (bufferPos_ == bufferEnd_ && n - done >= kBufferSize) {
            if (left_ == 0) return false;
            size_t got = 0;
            unsigned long error = 0;
            const size_t want =
                n - done < left_ ? n - done : static_cast<size_t>(left_); // never past the block
            if (!source_.read(source_.context, bytes + done, want, got, error)) {
                systemError_ = error;
                return false;
            }
            if (got == 0) return false;
            if (got > want) got = want;
            done += got;
            left_ -= got;
            consumed_ += got;
            continue;
        }
        if (bufferPos_ == bufferEnd_ && !refill()) return false;
        size_t take = bufferEnd_ - bufferPos_;
        if (take > n - done) take = n - done;
        std::memcpy(bytes + done, buffer_.get() + bufferPos_, take);
        bufferPos_ += take;
        done += take;
        left_ -= take;
        consumed_ += take;
    }
    return true;
}

bool BlockReader::readInt(int32_t& out) {
    if (bufferEnd_ - bufferPos_ >= 4) {
        out = loadLeI32(&buffer_[bufferPos_]);
        bufferPos_ += 4;
        left_ -= 4;
        consumed_ += 4;
        return true;
    }
    uint8_t raw[4];
    if (!readExact(raw, sizeof raw)) return false;
    out = loadLeI32(raw);
    return true;
}

BlockError BlockReader::readString(std::string& out) {
    int32_t length = 0;
    if (!readInt(length)) return BlockError::ReadInt;
    if (length < 0 || static_cast<uint64_t>(length) > left_) return BlockError::ReadString;
    out.assign(static_cast<size_t>(length), '\0');
    if (length != 0 && !readExact(&out[0], out.size())) return BlockError::ReadString;
    return BlockError::None;
}

BlockError BlockReader::readWString(std::u16string& out) {
    int32_t length = 0;
    if (!readInt(length)) return BlockError::ReadInt;
    if (length < 0 || (length & 1) != 0 || static_cast<uint64_t>(length) > left_)
        return BlockError::ReadWString;
    out.assign(static_cast<size_t>(length) / 2, u'\0');
    if (length != 0 && !readExact(&out[0], static_cast<size_t>(length)))
        return BlockError::ReadWString;
    // The units arrived as little-endian bytes; read each one back in place.
    for (char16_t& unit : out) {
        uint8_t bytes[2];
        std::memcpy(bytes, &unit, 2);
        unit = static_cast<char16_t>(loadLe16(bytes));
    }
    return BlockError::None;
}

size_t BlockReader::readSome(void* buffer, size_t max) {
    if (max == 0 || left_ == 0) return 0;
    size_t got = bufferEnd_ - bufferPos_;
    if (got != 0) {
        if (got > max) got = max;
        std::memcpy(buffer, buffer_.get() + bufferPos_, got);
        bufferPos_ += got;
    } else {
        const size_t want = max < left_ ? max : static_cast<size_t>(left_); // never past the block
        unsigned long error = 0;
        if (!source_.read(source_.context, buffer, want, got, error)) {
            systemError_ = error;
            return 0;
        }
        if (got > want) got = want;
    }
    left_ -= got;
    consumed_ += got;
    return got;
}

void BlockReader::unread(const void* data, size_t n) {
    if (n == 0) return;
    const size_t buffered = bufferEnd_ - bufferPos_;
    if (n <= bufferPos_) {
        bufferPos_ -= n;
        std::memmove(buffer_.get() + bufferPos_, data, n);
    } else {
        const size_t capacity = n + buffered > kBufferSize ? n + buffered : kBufferSize;
        std::unique_ptr<uint8_t[]> fresh(new uint8_t[capacity]);
        std::memcpy(fresh.get(), data, n);
        if (buffered != 0) std::memcpy(fresh.get() + n, buffer_.get() + bufferPos_, buffered);
        buffer_ = std::move(fresh);
        bufferCapacity_ = capacity;
        bufferPos_ = 0;
        bufferEnd_ = n + buffered;
    }
    left_ += n;
    consumed_ -= n;
}

namespace {

// The tables' bytes, pulled from the reader into chunks that the store
// takes over. A field is always whole inside one chunk: one that would
// cross a chunk's end moves, with the bytes after it, into the next chunk.
class TableBytes {
  public:
    static constexpr size_t kChunkSize = BlockReader::kBufferSize;

    explicit TableBytes(BlockReader& reader) : reader_(reader) {}

    // The next n bytes, whole, or null when the block ends first (checked
    // before anything is allocated) or a read fails.
    const uint8_t* need(size_t n) { return end_ - pos_ >= n ? chunk_ + pos_ : fetch(n); }
    void skip(size_t n) { pos_ += n; }
    // Bytes not yet taken, read or not.
    uint64_t left() const { return (end_ - pos_) + reader_.bytesLeft(); }
    // What was read beyond the last field taken goes back to the reader.
    void giveBack() {
        if (end_ == pos_) return;
        reader_.unread(chunk_ + pos_, end_ - pos_);
        end_ = pos_;
    }

    std::vector<std::unique_ptr<uint8_t[]>> chunks;

  private:
    const uint8_t* fetch(size_t n) {
        const size_t have = end_ - pos_;
        if (n - have > reader_.bytesLeft()) return nullptr;
        if (capacity_ - pos_ < n) {
            const uint64_t rest = have + reader_.bytesLeft();
            size_t size = rest < kChunkSize ? static_cast<size_t>(rest) : kChunkSize;
            if (size < n) size = n;
            chunks.push_back(std::unique_ptr<uint8_t[]>(new uint8_t[size]));
            uint8_t* fresh = chunks.back().get();
            if (have != 0) std::memcpy(fresh, chunk_ + pos_, have);
            chunk_ = fresh;
            capacity_ = size;
            pos_ = 0;
            end_ = have;
        }
        while (end_ - pos_ < n) {
            const size_t got = reader_.readSome(chunk_ + end_, capacity_ - end_);
            if (got == 0) return nullptr;
            end_ += got;
        }
        return chunk_ + pos_;
    }

    BlockReader& reader_;
    uint8_t* chunk_ = nullptr;
    size_t capacity_ = 0;
    size_t pos_ = 0;
    size_t end_ = 0;
};

bool takeInt(TableBytes& bytes, int32_t& out) {
    const uint8_t* p = bytes.need(4);
    if (p == nullptr) return false;
    out = loadLeI32(p);
    bytes.skip(4);
    return true;
}

// A table's count, then its (id, length, text) entries; wide texts must
// have an even length.
BlockError takeTable(TableBytes& bytes, bool wide, std::vector<PropertyStore::Entry>& entries) {
    const BlockError textError = wide ? BlockError::ReadWString : BlockError::ReadString;
    int32_t count = 0;
    if (!takeInt(bytes, count)) return BlockError::ReadInt;
    // Room for the usual table at once; a damaged count must not make it a
    // huge allocation, so more than that grows as entries actually arrive.
    constexpr int32_t kReserved = 4096;
    if (count > 0) entries.reserve(count < kReserved ? count : kReserved);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* head = bytes.need(8);
        if (head == nullptr) return BlockError::ReadInt;
        const int32_t id = loadLeI32(head);
        const int32_t length = loadLeI32(head + 4);
        bytes.skip(8);
        if (length < 0 || static_cast<uint64_t>(length) > bytes.left() || (wide && (length & 1)))
            return textError;
        const uint8_t* text = nullptr;
        if (length != 0) {
            text = bytes.need(static_cast<size_t>(length));
            if (text == nullptr) return textError;
        }
        // Field by field: building the entry aside and copying it in costs a
        // stalled 16-byte load per entry, more than the rest of the loop.
        PropertyStore::Entry& entry = entries.emplace_back();
        entry.id = id;
        entry.size = static_cast<uint32_t>(length);
        entry.bytes = text;
        bytes.skip(static_cast<size_t>(length));
    }
    return BlockError::None;
}

BlockError takeTables(TableBytes& bytes, PropertyStore::Tables& tables) {
    int32_t magic = 0;
    if (!takeInt(bytes, magic)) return BlockError::ReadInt;
    if (static_cast<uint32_t>(magic) != kBlockMagic) return BlockError::Magic;
    const BlockError error = takeTable(bytes, false, tables.narrow);
    return error != BlockError::None ? error : takeTable(bytes, true, tables.wide);
}

} // namespace

BlockError readConfigurationBlock(BlockReader& reader, PropertyStore& store) {
    TableBytes bytes(reader);
    PropertyStore::Tables tables;
    const BlockError error = takeTables(bytes, tables);
    bytes.giveBack();
    tables.chunks = std::move(bytes.chunks);
    store.adopt(std::move(tables));
    return error;
}

const char* blockErrorText(BlockError error) {
    switch (error) {
    case BlockError::ReadInt:
        return "Internal Error: readInt";
    case BlockError::ReadString:
        return "Internal Error: readString";
    case BlockError::ReadWString:
        return "Internal Error: readWString";
    case BlockError::Magic:
        return "Internal Error: magic";
    case BlockError::None:
        break;
    }
    return "";
}

std::string encodeConfigurationTables(const std::map<int32_t, std::string>& narrow,
                                      const std::map<int32_t, std::u16string>& wide) {
    std::string out;
    appendLe32(out, kBlockMagic);
    appendLe32(out, static_cast<uint32_t>(narrow.size()));
    for (const auto& entry : narrow) {
        appendLe32(out, static_cast<uint32_t>(entry.first));
        appendLe32(out, static_cast<uint32_t>(entry.second.size()));
        out += entry.second;
    }
    appendLe32(out, static_cast<uint32_t>(wide.size()));
    for (const auto& entry : wide) {
        appendLe32(out, static_cast<uint32_t>(entry.first));
        appendLe32(out, static_cast<uint32_t>(entry.second.size() * 2));
        for (char16_t unit : entry.second) {
            out.push_back(static_cast<char>(unit & 0xFF));
            out.push_back(static_cast<char>(unit >> 8));
        }
    }
    return out;
}

void scrambleBytes(uint8_t* data, size_t size) {
    // Word-wide where possible: included files can be a whole runtime.
    constexpr uint64_t kWideScramble = 0x0101010101010101ull * kScrambleByte;
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= size; i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        word ^= kWideScramble;
        std::memcpy(data + i, &word, sizeof word);
    }
    for (; i < size; ++i)
        data[i] ^= kScrambleByte;
}

ByteSource MemorySource::source() {
    ByteSource s;
    s.context = this;
    s.read = [](void* context, void* buffer, size_t n, size_t& got, unsigned long& error) {
        auto* self = static_cast<MemorySource*>(context);
        error = 0;
        got = self->size - self->position < n ? self->size - self->position : n;
        if (got != 0) std::memcpy(buffer, self->data + self->position, got);
        self->position += got;
        return true;
    };
    return s;
}

} // namespace lumen
