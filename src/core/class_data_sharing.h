// Class-data sharing: the decisions behind the launcher's use of the JVM's
// application archives (an archive of the classes one start loaded, written
// by the JVM at its exit and mapped by later starts).
//
// Contract: pure functions over values. The launcher gathers what the
// decisions need (the configured mode, the runtime's version, the file
// identities that make an archive stale, the cache's contents) and applies
// what they answer. An archive is named after a key that changes whenever
// the JVM would refuse the archive for a reason the launcher can see (the
// launcher's own content, the runtime, its VM library and base archive, the
// VM options, the class-path files), so a stale archive is replaced by a
// new one instead of being offered for ever. The cache stays within a
// count and a byte bound; the key in use is never evicted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumen {

// The description's `class-data-sharing` value: "auto" turns it on;
// anything else, and a block without the property, leaves it off.
enum class SharingMode { Off, Auto };
SharingMode parseSharingMode(const std::string& text);

// What a runtime offers: nothing (before JDK 13), an archive written at
// exit on request (JDK 13 to 18: -XX:ArchiveClassesAtExit), or an archive
// the JVM writes and rewrites itself when it cannot use it (JDK 19 and
// later: -XX:+AutoCreateSharedArchive).
enum class SharingSupport { None, ArchiveAtExit, AutoCreate };
// From the runtime's version text ("17.0.9", "21", "1.8.0_301", "22-ea");
// None for a text that is not a version.
SharingSupport sharingSupportFor(const std::string& version);

// True when the options already steer class-data sharing themselves
// (-Xshare:off/dump, their own archive file, archiving at exit, sharing
// switched off): the launcher then adds nothing.
bool optionsSteerSharing(const std::vector<std::string>& options);

// The options the key depends on: every VM option except the system
// properties (-D...), which change from start to start (the extraction
// directory, the process id) and never make an archive unusable; the class
// path counts through its files instead.
std::vector<std::string> keyedOptions(const std::vector<std::string>& options);

// A running 64-bit content hash (not cryptographic: a cache name, where a
// collision costs one archive the JVM then checks itself). Fields are added
// with their length, so ("ab","c") and ("a","bc") differ.
class ContentHash {
  public:
    void addBytes(const void* data, size_t size);
    void addField(const std::string& text);
    void addNumber(uint64_t value);
    uint64_t value() const;

  private:
    uint64_t lanes_[4] = {0x243f6a8885a308d3ULL, 0x13198a2e03707344ULL, 0xa4093822299f31d0ULL,
                          0x082efa98ec4e6c89ULL};
    unsigned char pending_[32] = {};
    size_t pendingSize_ = 0;
    uint64_t total_ = 0;
};

// The key as it appears in file names: 16 lower-case hexadecimal digits.
std::string sharingKeyText(uint64_t key);

// What the launcher does on this start.
enum class SharingStep {
    Write, // no usable archive: have the JVM write one at exit
    Use,   // map the archive written before
    Auto,  // the JVM reads it when it can and writes it when it cannot
};
// archiveExists: the key's archive lies in the cache; cacheWritable: the
// cache directory can take a new archive (exists or was made, writable,
// enough free space). None (nothing added) is returned through `active`.
struct SharingDecision {
    bool active = false;
    SharingStep step = SharingStep::Use;
};
SharingDecision decideSharing(SharingSupport support, bool archiveExists, bool cacheWritable);

// The VM options for the step: the archive option(s), and the JVM's own
// warnings about archives switched off (a stale or foreign archive is
// expected now and then and must not talk on the application's output).
// writePath is where the JVM writes at exit (a temporary name the launcher
// renames), archivePath where the archive lies.
std::vector<std::string> sharingOptions(SharingStep step, const std::string& archivePath,
                                        const std::string& writePath);

// The record kept beside an archive ("<key>.sum"): its size and content
// hash, written before the archive takes its name. The JVM checks neither
// (it maps a truncated or altered archive and dies of it), so a start maps
// only an archive that matches its record.
std::string archiveRecordText(uint64_t size, uint64_t hash);
bool parseArchiveRecord(const std::string& text, uint64_t& size, uint64_t& hash);

// One key's files in the cache: its archive, temporary archives and the
// directory of class-path copies, taken together.
struct CacheEntry {
    std::string key;
    uint64_t bytes = 0;
    int64_t lastUsed = 0; // the newest modification time of its files
};
// The cache's limits: at most this many keys and bytes.
struct CacheBound {
    size_t maxEntries = 0;
    uint64_t maxBytes = 0;
};
constexpr CacheBound kDefaultCacheBound{8, uint64_t{1024} * 1024 * 1024};
// The keys to remove so that what remains fits the bound: least recently
// used first; `keep` (the key in use) is never chosen, even when it alone
// is over the byte bound.
std::vector<std::string> keysToEvict(std::vector<CacheEntry> entries, const CacheBound& bound,
                                     const std::string& keep);

// The key a cache file name belongs to ("<key>.jsa", "<key>.<n>.tmp",
// "<key>.sum", "<key>.cp"); empty for a name that is not the launcher's.
std::string keyOfCacheName(const std::string& name);

} // namespace lumen
