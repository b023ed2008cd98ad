#include "core/class_data_sharing.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <numeric>

#include "core/java_version.h"
#include "core/short_sort.h"

namespace lumen {
namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ULL;

uint64_t rotateLeft(uint64_t value, unsigned bits) {
    return (value << bits) | (value >> (64 - bits));
}

uint64_t round(uint64_t lane, uint64_t word) {
    return rotateLeft(lane + word * kPrime2, 31) * kPrime1;
}

uint64_t word64(const unsigned char* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

} // namespace

SharingMode parseSharingMode(const std::string& text) {
    return text == "auto" ? SharingMode::Auto : SharingMode::Off;
}

SharingSupport sharingSupportFor(const std::string& version) {
    std::vector<uint32_t> numbers;
    if (!versionNumbers(version, numbers) || numbers.empty()) return SharingSupport::None;
    if (numbers[0] >= 19) return SharingSupport::AutoCreate;
    if (numbers[0] >= 13) return SharingSupport::ArchiveAtExit;
    return SharingSupport::None;
}

bool optionsSteerSharing(const std::vector<std::string>& options) {
    static const char* const kSteering[] = {
        "-Xshare:",
        "-XX:SharedArchiveFile",
        "-XX:ArchiveClassesAtExit",
        "-XX:+AutoCreateSharedArchive",
        "-XX:-AutoCreateSharedArchive",
        "-XX:-UseSharedSpaces",
        "-XX:+UseSharedSpaces",
        "-XX:SharedClassListFile",
        "-XX:DumpLoadedClassList",
    };
    return std::any_of(options.begin(), options.end(), [](const std::string& option) {
        return std::any_of(std::begin(kSteering), std::end(kSteering),
                           [&](const char* prefix) { return startsWith(option, prefix); });
    });
}

std::vector<std::string> keyedOptions(const std::vector<std::string>& options) {
    std::vector<std::string> keyed;
    std::copy_if(options.begin(), options.end(), std::back_inserter(keyed),
                 [](const std::string& option) { return !startsWith(option, "-D"); });
    return keyed;
}

void ContentHash::addBytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    total_ += size;
    if (pendingSize_ > 0) {
        const size_t take = std::min(size, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, bytes, take);
        pendingSize_ += take;
        bytes += take;
        size -= take;
        if (pendingSize_ < sizeof pending_) return;
        for (size_t lane = 0; lane < 4; ++lane)
            lanes_[lane] = round(lanes_[lane], word64(pending_ + 8 * lane));
        pendingSize_ = 0;
    }
    for (; size >= sizeof pending_; bytes += sizeof pending_, size -= sizeof pending_)
        for (size_t lane = 0; lane < 4; ++lane)
            lanes_[lane] = round(lanes_[lane], word64(bytes + 8 * lane));
    std::memcpy(pending_, bytes, size);
    pendingSize_ = size;
}

void ContentHash::addField(const std::string& text) {
    addNumber(text.size());
    addBytes(text.data(), text.size());
}

void ContentHash::addNumber(uint64_t value) {
    unsigned char bytes[8];
    for (unsigned char& byte : bytes) {
        byte = static_cast<unsigned char>(value & 0xFF);
        value >>= 8;
    }
    addBytes(bytes, sizeof bytes);
}

uint64_t ContentHash::value() const {
    uint64_t hash = rotateLeft(lanes_[0], 1) + rotateLeft(lanes_[1], 7) +
                    rotateLeft(lanes_[2], 12) + rotateLeft(lanes_[3], 18);
    hash =
        std::accumulate(std::begin(lanes_), std::end(lanes_), hash, [](uint64_t h, uint64_t lane) {
            return (h ^ round(0, lane)) * kPrime1 + kPrime3;
        });
    hash += total_;
    unsigned char tail[sizeof pending_] = {};
    std::memcpy(tail, pending_, pendingSize_);
    for (size_t offset = 0; offset < pendingSize_; offset += 8)
        hash = rotateLeft(hash ^ round(0, word64(tail + offset)), 27) * kPrime1 + kPrime3;
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    hash *= kPrime3;
    hash ^= hash >> 32;
    return hash;
}

std::string sharingKeyText(uint64_t key) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (size_t i = 16; i-- > 0; key >>= 4)
        text[i] = kDigits[key & 0xF];
    return text;
}

std::string archiveRecordText(uint64_t size, uint64_t hash) {
    return std::to_string(size) + " " + sharingKeyText(hash) + "\n";
}

bool parseArchiveRecord(const std::string& text, uint64_t& size, uint64_t& hash) {
    const size_t space = text.find(' ');
    if (space == std::string::npos || space == 0 || space > 20) return false;
    const std::string digits = text.substr(0, space);
    std::string hex = text.substr(space + 1);
    if (!hex.empty() && hex.back() == '\n') hex.pop_back();
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isHex = [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); };
    if (!std::all_of(digits.begin(), digits.end(), isDigit) || hex.size() != 16 ||
        !std::all_of(hex.begin(), hex.end(), isHex))
        return false;
    size = 0;
    for (char c : digits) {
        if (size > (UINT64_MAX - 9) / 10) return false;
        size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    hash = 0;
    for (char c : hex)
        hash = (hash << 4) | static_cast<uint64_t>(isDigit(c) ? c - '0' : c - 'a' + 10);
    return true;
}

SharingDecision decideSharing(SharingSupport support, bool archiveExists, bool cacheWritable) {
    switch (support) {
    case SharingSupport::None:
        return {};
    case SharingSupport::ArchiveAtExit:
        if (archiveExists) return {true, SharingStep::Use};
        if (cacheWritable) return {true, SharingStep::Write};
        return {};
    case SharingSupport::AutoCreate:
        // The JVM rewrites the archive when it cannot use it, which needs a
        // writable cache; without one, an archive that is there is still
        // worth reading.
        if (cacheWritable) return {true, SharingStep::Auto};
        if (archiveExists) return {true, SharingStep::Use};
        return {};
    }
    return {};
}

std::vector<std::string> sharingOptions(SharingStep step, const std::string& archivePath,
                                        const std::string& writePath) {
    // The JVM warns on standard output about an archive it cannot map and
    // about classes it leaves out of one; neither is the application's.
    const std::string quiet = "-Xlog:cds*=off";
    switch (step) {
    case SharingStep::Write:
        return {"-XX:ArchiveClassesAtExit=" + writePath, quiet};
    case SharingStep::Use:
        return {"-XX:SharedArchiveFile=" + archivePath, quiet};
    case SharingStep::Auto:
        return {"-XX:SharedArchiveFile=" + archivePath, "-XX:+AutoCreateSharedArchive", quiet};
    }
    return {};
}

std::vector<std::string> keysToEvict(std::vector<CacheEntry> entries, const CacheBound& bound,
                                     const std::string& keep) {
    shortStableSort(entries.begin(), entries.end(), [&](const CacheEntry& a, const CacheEntry& b) {
        if ((a.key == keep) != (b.key == keep)) return a.key == keep;
        return a.lastUsed > b.lastUsed;
    });
    std::vector<std::string> evicted;
    size_t count = 0;
    uint64_t bytes = 0;
    bool full = false;
    for (const CacheEntry& entry : entries) {
        if (entry.key == keep) {
            ++count;
            bytes += entry.bytes;
            continue;
        }
        // Strictly by age: once one key does not fit, every older one goes.
        full = full || count + 1 > bound.maxEntries || bytes + entry.bytes > bound.maxBytes;
        if (full) {
            evicted.push_back(entry.key);
            continue;
        }
        ++count;
        bytes += entry.bytes;
    }
    return evicted;
}

std::string keyOfCacheName(const std::string& name) {
    if (name.size() < 18 || name[16] != '.') return {};
    std::string key = name.substr(0, 16);
    if (!std::all_of(key.begin(), key.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        return {};
    return key;
}

} // namespace lumen
