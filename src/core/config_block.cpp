#include "core/config_block.h"

#include <cstring>
#include <vector>

#include "core/bytes.h"

namespace lumen {

bool BlockReader::refill() {
    const uint64_t unbuffered = left_ - (bufferEnd_ - bufferPos_);
    if (unbuffered == 0) return false;
    if (!buffer_) buffer_.reset(new uint8_t[kBufferSize]);
    const size_t want = unbuffered < kBufferSize ? static_cast<size_t>(unbuffered) : kBufferSize;
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

BlockError readConfigurationBlock(BlockReader& reader, PropertyStore& store) {
    int32_t magic = 0;
    if (!reader.readInt(magic)) return BlockError::ReadInt;
    if (static_cast<uint32_t>(magic) != kBlockMagic) return BlockError::Magic;

    int32_t count = 0;
    if (!reader.readInt(count)) return BlockError::ReadInt;
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = 0;
        std::string text;
        if (!reader.readInt(id)) return BlockError::ReadInt;
        const BlockError error = reader.readString(text);
        if (error != BlockError::None) return error;
        store.setNarrow(id, std::move(text));
    }
    if (!reader.readInt(count)) return BlockError::ReadInt;
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = 0;
        std::u16string text;
        if (!reader.readInt(id)) return BlockError::ReadInt;
        const BlockError error = reader.readWString(text);
        if (error != BlockError::None) return error;
        store.setWide(id, std::move(text));
    }
    return BlockError::None;
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
