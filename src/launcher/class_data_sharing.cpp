#include "launcher/class_data_sharing.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "core/class_data_sharing.h"
#include "core/path_rules.h"
#include "core/property_store.h"
#include "launcher/runtime_files.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

// Below this the cache takes no new archive: the JVM ends the process with
// an error when it cannot finish writing one.
constexpr uint64_t kMinimumFreeBytes = uint64_t{256} * 1024 * 1024;
constexpr size_t kReadChunk = size_t{64} * 1024;
const char kClassPathOption[] = "-Djava.class.path=";

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string parentOf(const std::string& path) {
    const size_t last = path.find_last_of(os::pathSeparator());
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string join(const std::string& directory, const std::string& name) {
    return joinPath(os::pathStyle(), directory, name);
}

bool hashFile(const std::string& path, ContentHash& hash) {
    os::File file = os::File::openForReading(path);
    if (!file.valid()) return false;
    std::vector<char> buffer(kReadChunk);
    for (;;) {
        size_t got = 0;
        if (!file.read(buffer.data(), buffer.size(), got)) return false;
        if (got == 0) return true;
        hash.addBytes(buffer.data(), got);
    }
}

bool fileHash(const std::string& path, uint64_t& value) {
    ContentHash hash;
    if (!hashFile(path, hash)) return false;
    value = hash.value();
    return true;
}

std::string recordPath(const std::string& archive) {
    return archive.substr(0, archive.size() - 4) + ".sum"; // "<key>.jsa" -> "<key>.sum"
}

// The archive matches the record written with it: same size, same content.
bool archiveIntact(const std::string& archive, uint64_t size) {
    os::File file = os::File::openForReading(recordPath(archive));
    if (!file.valid()) return false;
    char text[64] = {};
    size_t got = 0;
    if (!file.read(text, sizeof text - 1, got)) return false;
    uint64_t recordedSize = 0;
    uint64_t recordedHash = 0;
    uint64_t hash = 0;
    return parseArchiveRecord(std::string(text, got), recordedSize, recordedHash) &&
           recordedSize == size && fileHash(archive, hash) && hash == recordedHash;
}

// Writes the record of the archive at `content` (which may still lie under
// its temporary name), itself through a temporary name.
bool writeRecord(const std::string& archive, const std::string& content) {
    os::FileStatus status;
    uint64_t hash = 0;
    if (!os::fileStatus(content, status) || !fileHash(content, hash)) return false;
    const std::string record = recordPath(archive);
    const std::string temporary = record + "." + std::to_string(os::processId()) + ".tmp";
    const std::string text = archiveRecordText(status.size, hash);
    bool written = false;
    {
        os::File out = os::File::createForWriting(temporary);
        written = out.valid() && out.writeAll(text.data(), text.size());
    }
    if (written && os::replaceFile(temporary, record)) return true;
    os::deleteFile(temporary);
    return false;
}

bool copyFile(const std::string& from, const std::string& to) {
    os::File in = os::File::openForReading(from);
    if (!in.valid()) return false;
    os::File out = os::File::createForWriting(to);
    if (!out.valid()) return false;
    std::vector<char> buffer(kReadChunk);
    for (;;) {
        size_t got = 0;
        if (!in.read(buffer.data(), buffer.size(), got)) return false;
        if (got == 0) return true;
        if (!out.writeAll(buffer.data(), got)) return false;
    }
}

bool ensureDirectory(const std::string& path) {
    os::FileStatus status;
    if (os::fileStatus(path, status)) return status.isDirectory;
    return os::createDirectory(path) || (os::fileStatus(path, status) && status.isDirectory);
}

void addFileIdentity(ContentHash& hash, const std::string& path) {
    os::FileStatus status;
    if (!os::fileStatus(path, status)) {
        hash.addField("missing");
        return;
    }
    hash.addNumber(status.size);
    hash.addNumber(static_cast<uint64_t>(status.modified));
}

// The bytes a cache entry holds: a file, or the files of a directory.
uint64_t entryBytes(const std::string& path, int64_t& newest) {
    os::FileStatus status;
    if (!os::fileStatus(path, status)) return 0;
    newest = std::max(newest, status.modified);
    if (!status.isDirectory) return status.size;
    std::vector<os::DirectoryEntry> inside;
    if (!os::listDirectory(path, inside)) return 0;
    return std::accumulate(inside.begin(), inside.end(), uint64_t{0},
                           [&](uint64_t sum, const os::DirectoryEntry& entry) {
                               return entry.isDirectory
                                          ? sum
                                          : sum + entryBytes(join(path, entry.name), newest);
                           });
}

void removeEntry(const std::string& path, bool isDirectory) {
    if (!isDirectory) {
        os::deleteFile(path);
        return;
    }
    std::vector<os::DirectoryEntry> inside;
    if (os::listDirectory(path, inside))
        for (const os::DirectoryEntry& entry : inside)
            removeEntry(join(path, entry.name), entry.isDirectory);
    os::removeDirectory(path);
}

// Keeps the cache within its bound before a new archive joins it.
void boundCache(Launcher& launcher, const std::string& cache, const std::string& keep) {
    std::vector<os::DirectoryEntry> names;
    if (!os::listDirectory(cache, names)) return;
    std::map<std::string, CacheEntry> byKey;
    for (const os::DirectoryEntry& name : names) {
        const std::string key = keyOfCacheName(name.name);
        if (key.empty()) continue;
        CacheEntry& entry = byKey[key];
        entry.key = key;
        entry.bytes += entryBytes(join(cache, name.name), entry.lastUsed);
    }
    std::vector<CacheEntry> entries;
    entries.reserve(byKey.size());
    for (const auto& [key, entry] : byKey)
        entries.push_back(entry);
    for (const std::string& key : keysToEvict(entries, kDefaultCacheBound, keep)) {
        for (const os::DirectoryEntry& name : names)
            if (keyOfCacheName(name.name) == key)
                removeEntry(join(cache, name.name), name.isDirectory);
        launcher.log.info("Class-data sharing: removed the archive %s", key.c_str());
    }
}

struct ClassPathPlan {
    std::vector<std::string> entries;
    std::vector<size_t> extracted; // indexes of entries in the extraction directory
};

// The class path's files as the key sees them; false when it holds what no
// archive can be kept for (a directory, files below the extraction
// directory's own level).
bool planClassPath(Launcher& launcher, const std::string& value, ContentHash& hash,
                   ClassPathPlan& plan) {
    const char separator = os::pathStyle().listSeparator;
    std::string prefix = launcher.extractionDirectory;
    if (!prefix.empty() && prefix.back() != os::pathSeparator()) prefix += os::pathSeparator();
    size_t start = 0;
    for (;;) {
        const size_t end = value.find(separator, start);
        plan.entries.push_back(value.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (size_t i = 0; i < plan.entries.size(); ++i) {
        const std::string& entry = plan.entries[i];
        if (entry.empty()) continue;
        os::FileStatus status;
        if (os::fileStatus(entry, status) && status.isDirectory) {
            launcher.log.info("Class-data sharing: off, the class path holds the directory %s",
                              entry.c_str());
            return false;
        }
        if (!launcher.extractionDirectory.empty() && startsWith(entry, prefix)) {
            const std::string name = entry.substr(prefix.size());
            if (name.find(os::pathSeparator()) != std::string::npos) {
                launcher.log.info("Class-data sharing: off, %s lies below the unpacked files",
                                  entry.c_str());
                return false;
            }
            // Its content is the launcher's own, hashed with it.
            hash.addField("unpacked:" + name);
            plan.extracted.push_back(i);
            continue;
        }
        hash.addField(entry);
        addFileIdentity(hash, entry);
    }
    return true;
}

// Copies of the unpacked class-path files that keep their path, size and
// time from start to start. A copy is never replaced (another start may
// have written an archive against it); true in `fresh` when one was made.
bool keepCopies(Launcher& launcher, const std::string& directory, ClassPathPlan& plan,
                bool& fresh) {
    if (plan.extracted.empty()) return true;
    if (!ensureDirectory(directory)) {
        launcher.log.error("Class-data sharing: cannot make %s (error %lu)", directory.c_str(),
                           os::lastErrorCode());
        return false;
    }
    for (size_t index : plan.extracted) {
        std::string& entry = plan.entries[index];
        const size_t nameStart = entry.find_last_of(os::pathSeparator()) + 1;
        const std::string kept = join(directory, entry.substr(nameStart));
        os::FileStatus original;
        os::FileStatus copy;
        if (!os::fileStatus(entry, original)) return false;
        if (!os::fileStatus(kept, copy) || copy.size != original.size) {
            // A copy of the wrong size was damaged; it goes, and with it the
            // archive written against it (the caller drops that).
            os::deleteFile(kept);
            const std::string temporary = kept + "." + std::to_string(os::processId()) + ".tmp";
            const bool copied = copyFile(entry, temporary);
            if (!copied || !os::moveFileIfAbsent(temporary, kept)) os::deleteFile(temporary);
            if (!os::fileStatus(kept, copy) || copy.size != original.size) {
                launcher.log.error("Class-data sharing: cannot keep a copy of %s (error %lu)",
                                   entry.c_str(), os::lastErrorCode());
                return false;
            }
            fresh = true;
        }
        entry = kept;
    }
    return true;
}

std::string joinList(const std::vector<std::string>& entries) {
    std::string text;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) text += os::pathStyle().listSeparator;
        text += entries[i];
    }
    return text;
}

// Whether a new archive may be written into the cache: a file can be made
// there (the JVM's write at exit is checked for nothing beforehand) and
// the volume has room. The probe file stays as `probe` when kept.
bool cacheTakesArchive(Launcher& launcher, const std::string& cache, const std::string& probe) {
    if (!os::createNewFile(probe)) {
        launcher.log.info("Class-data sharing: the cache %s takes no new archive (error %lu)",
                          cache.c_str(), os::lastErrorCode());
        return false;
    }
    uint64_t freeBytes = 0;
    if (os::freeDiskBytes(cache, freeBytes) && freeBytes < kMinimumFreeBytes) {
        launcher.log.info("Class-data sharing: too little free space in %s", cache.c_str());
        os::deleteFile(probe);
        return false;
    }
    return true;
}

const char* stepName(SharingStep step) {
    switch (step) {
    case SharingStep::Write:
        return "writing";
    case SharingStep::Use:
        return "using";
    case SharingStep::Auto:
        return "using or writing";
    }
    return "";
}

} // namespace

std::string classDataSharingCache() {
    std::string base;
    if (!os::userCacheDirectory(base)) return {};
    return join(join(base, "lumen"), "cds");
}

void prepareClassDataSharing(Launcher& launcher, std::vector<std::string>& options,
                             size_t insertAt) {
    if (parseSharingMode(launcher.properties.text(Property::ClassDataSharing)) == SharingMode::Off)
        return;
    if (optionsSteerSharing(options)) {
        launcher.log.info("Class-data sharing: left to the VM options");
        return;
    }
    const std::string library = launcher.jvm.libraryPath;
    const std::string libraryDirectory = parentOf(library);
    const std::string home = parentOf(parentOf(libraryDirectory));
    ReleaseInfo release;
    readReleaseFile(join(home, "release"), release);
    const std::string version = release.version.empty() ? release.javaVersion : release.version;
    const SharingSupport support = sharingSupportFor(version);
    if (support == SharingSupport::None) {
        launcher.log.info("Class-data sharing: not offered by the runtime in %s (version %s)",
                          home.c_str(), version.empty() ? "unknown" : version.c_str());
        return;
    }

    ContentHash hash;
    hash.addField("lumen class-data sharing 1");
    if (!hashFile(os::ownExecutableName(), hash)) {
        launcher.log.error("Class-data sharing: cannot read the launcher (error %lu)",
                           os::lastErrorCode());
        return;
    }
    hash.addField(home);
    hash.addField(release.runtimeVersion);
    hash.addField(version);
    addFileIdentity(hash, library);
    addFileIdentity(hash, join(libraryDirectory, "classes.jsa"));
    for (const std::string& option : keyedOptions(options))
        hash.addField(option);
    const auto classPath = std::find_if(options.rbegin(), options.rend(), [](const std::string& o) {
        return startsWith(o, kClassPathOption);
    });
    ClassPathPlan plan;
    if (classPath != options.rend() &&
        !planClassPath(launcher, classPath->substr(sizeof kClassPathOption - 1), hash, plan))
        return;

    const std::string cache = classDataSharingCache();
    if (cache.empty() || !ensureDirectory(parentOf(parentOf(cache))) ||
        !ensureDirectory(parentOf(cache)) || !ensureDirectory(cache)) {
        launcher.log.info("Class-data sharing: no cache directory (%s)", cache.c_str());
        return;
    }
    const std::string key = sharingKeyText(hash.value());
    const std::string archive = join(cache, key + ".jsa");
    bool freshCopies = false;
    if (!keepCopies(launcher, join(cache, key + ".cp"), plan, freshCopies)) return;
    std::string copiedClassPath = kClassPathOption + joinList(plan.entries);
    if (copiedClassPath.size() > kTextBufferSize - 1) {
        // Longer than any option the launcher passes: it would be cut.
        launcher.log.info("Class-data sharing: off, the class path of the copies is too long");
        return;
    }
    if (freshCopies) {
        os::deleteFile(archive);
        os::deleteFile(join(cache, key + ".sum"));
    }

    os::FileStatus status;
    bool archiveExists = os::fileStatus(archive, status);
    if (archiveExists && !archiveIntact(archive, status.size)) {
        launcher.log.info("Class-data sharing: %s does not match its record, written anew",
                          archive.c_str());
        os::deleteFile(archive);
        os::deleteFile(recordPath(archive));
        archiveExists = false;
    }
    const std::string probe = join(cache, key + "." + std::to_string(os::processId()) + ".tmp");
    const bool writable = (support == SharingSupport::AutoCreate || !archiveExists) &&
                          cacheTakesArchive(launcher, cache, probe);
    const SharingDecision decision = decideSharing(support, archiveExists, writable);
    if (decision.step != SharingStep::Write && writable) os::deleteFile(probe);
    if (!decision.active) return;

    if (!archiveExists) boundCache(launcher, cache, key);
    // The cache evicts the least recently used; the record, not the archive,
    // is touched, so the archive keeps the time the JVM left it with.
    if (archiveExists) os::touchFile(recordPath(archive));
    if (decision.step != SharingStep::Use) {
        launcher.jvm.sharingWritten = decision.step == SharingStep::Write ? probe : std::string();
        launcher.jvm.sharingArchive = archive;
        launcher.jvm.sharingArchiveModified = archiveExists ? status.modified : -1;
    }
    if (classPath != options.rend()) *classPath = std::move(copiedClassPath);
    const std::vector<std::string> added = sharingOptions(decision.step, archive, probe);
    options.insert(options.begin() +
                       static_cast<std::ptrdiff_t>(std::min(insertAt, options.size())),
                   added.begin(), added.end());
    launcher.log.info("Class-data sharing: %s %s", stepName(decision.step), archive.c_str());
}

void finishClassDataSharing(Launcher& launcher) {
    const JvmState& jvm = launcher.jvm;
    if (jvm.sharingArchive.empty() || launcher.jvm.sharingFinished.exchange(true)) return;
    os::FileStatus status;
    if (jvm.sharingWritten.empty()) {
        // The JVM rewrites the archive in place when it could not use it.
        if (!os::fileStatus(jvm.sharingArchive, status) ||
            status.modified == jvm.sharingArchiveModified)
            return;
        if (writeRecord(jvm.sharingArchive, jvm.sharingArchive))
            launcher.log.info("Class-data sharing: archive written");
        return;
    }
    // The record goes first: a start that sees the archive finds its record.
    if (os::fileStatus(jvm.sharingWritten, status) && status.size > 0 &&
        writeRecord(jvm.sharingArchive, jvm.sharingWritten) &&
        os::replaceFile(jvm.sharingWritten, jvm.sharingArchive)) {
        launcher.log.info("Class-data sharing: archive written");
        return;
    }
    os::deleteFile(jvm.sharingWritten);
    launcher.log.info("Class-data sharing: no archive written");
}

} // namespace lumen
