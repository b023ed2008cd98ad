#include "core/tar_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "core/included_names.h"
#include "core/path_rules.h"

namespace lumen {
namespace {

constexpr size_t kBlock = 512;
constexpr size_t kHeaderRead = 500;
constexpr size_t kNameLength = 100;
constexpr size_t kSizeOffset = 124;
constexpr size_t kSizeLength = 12;
constexpr size_t kTypeOffset = 156;
constexpr size_t kLinkOffset = 157;
constexpr size_t kLinkLength = 100;
constexpr size_t kMagicOffset = 257;
constexpr size_t kPrefixOffset = 345;
constexpr size_t kPrefixLength = 155;
constexpr unsigned long kProgressIntervalMs = 200;
// Pax keys are compared on their first bytes only; longer ones are kept
// cut, which is enough to tell the few keys the reader takes.
constexpr size_t kPaxKeyKept = 16;

std::string fieldText(const char* field, size_t length) {
    return std::string(field, strnlen(field, length));
}

bool nameFits(const std::string& raw) {
    if (raw.size() > kTarNameLimit) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = raw.find_first_of("/\\", start);
        if ((end == std::string::npos ? raw.size() : end) - start > kTarComponentLimit)
            return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

// The name a written entry is known by: "." components and empty ones
// (doubled or trailing separators) dropped, so "./lib/x" and "lib/x" meet.
std::string entryKey(const std::string& name) {
    std::string key;
    for (const std::string& part : splitList(name, '\\')) {
        if (part == ".") continue;
        if (!key.empty()) key += '\\';
        key += part;
    }
    return key;
}

// A symbolic link's target resolved against the link's directory, or false
// when it is absolute or climbs above the target. Names on the way must be
// ones an entry could have, or the target could name a drive or device.
bool symlinkTargetKey(const std::string& linkKey, std::string target, std::string& key) {
    std::replace(target.begin(), target.end(), '/', '\\');
    if (target.empty() || target[0] == '\\') return false;
    std::vector<std::string> parts = splitList(linkKey, '\\');
    parts.pop_back();
    for (const std::string& part : splitList(target, '\\')) {
        if (part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (isSafeIncludedName(part)) {
            parts.push_back(part);
        } else {
            return false;
        }
    }
    key.clear();
    for (const std::string& part : parts)
        key += (key.empty() ? "" : "\\") + part;
    return !key.empty();
}

// A decimal pax size: -1 when empty, not all digits, or beyond a 32-bit
// signed size.
int64_t parseDecimal(const std::string& text) {
    if (text.empty()) return -1;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return -1;
    }
    return value;
}

// Reads exactly n bytes unless the stream ends or fails first.
bool readFully(TarInput& input, char* buffer, size_t n) {
    while (n > 0) {
        const long got = input.read(buffer, n);
        if (got <= 0) return false;
        buffer += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

// What extension records say about the entry that follows them.
struct Extension {
    std::string path;
    std::string linkPath;
    int64_t size = -1;
    bool pending = false;
};

struct Entry {
    enum Kind { File, Directory, Link } kind;
    std::string name;      // as written
    std::string targetKey; // links only
    size_t order;
};

// One walk over the stream. Each step returns false when the walk ends
// (result_ then says how); the entry steps leave the data of their entry
// read or skipped, the padding is the walk's.
class Untar {
  public:
    Untar(TarInput& input, TarOutput& output) : input_(input), output_(output) {}

    UntarResult run() {
        while (nextHeader() && entry()) {
            const int64_t padding = size_ % static_cast<int64_t>(kBlock);
            if (padding != 0 && !input_.skip(static_cast<long>(kBlock - padding)))
                return fail("gzseek 3 failed");
        }
        return result_;
    }

  private:
    UntarResult fail(const std::string& line) {
        output_.log(true, line);
        result_.status = UntarStatus::Corrupted;
        return result_;
    }
    bool stop(const std::string& line) {
        fail(line);
        return false;
    }
    bool damaged() { return stop("damaged extended header"); }
    bool tooLong() {
        return stop("refusing over-long name (limits: " + std::to_string(kTarNameLimit) +
                    " bytes, " + std::to_string(kTarComponentLimit) + " per component)");
    }
    bool notCreated(const std::string& name) {
        result_.message = "Could not open file " + name + "\n";
        output_.log(true, result_.message);
        result_.status = UntarStatus::FileNotCreated;
        return false;
    }

    // Reads the next header into header_; false at the end of the archive.
    bool nextHeader() {
        if (input_.atEnd()) return extracted_ ? finish() : stop("unexpected eof");
        std::memset(header_, 0, sizeof header_);
        if (input_.read(header_, kHeaderRead) < 0) return stop("gzread failed");
        if (std::memcmp(header_ + kMagicOffset, "ustar", 5) != 0)
            return extracted_ ? finish() : stop("no magic number");
        if (!input_.skip(static_cast<long>(kBlock - kHeaderRead))) return stop("gzseek 1 failed");
        type_ = header_[kTypeOffset];
        const bool extension = type_ == 'L' || type_ == 'K' || type_ == 'x' || type_ == 'g';
        size_ = !extension && extension_.size >= 0 ? extension_.size
                                                   : parseOctal(header_ + kSizeOffset, kSizeLength);
        if (size_ < 0) return stop("entry size out of range");
        return true;
    }

    bool entry() {
        switch (type_) {
        case 'L':
            return longName(extension_.path);
        case 'K':
            return longName(extension_.linkPath);
        case 'x':
            return paxRecords();
        case 'g':
            return skipData();
        case 'S':
            return stop("refusing sparse file");
        default:
            break;
        }
        const Extension extension = std::move(extension_);
        extension_ = Extension();
        const bool regular = type_ == '0' || type_ == '\0' || type_ == '7';
        if (!regular && type_ != '5' && type_ != '1' && type_ != '2') return skipData();
        std::string raw = extension.path;
        if (raw.empty()) {
            raw = fieldText(header_, kNameLength);
            const std::string prefix = fieldText(header_ + kPrefixOffset, kPrefixLength);
            // Only POSIX headers ("ustar\0") carry a prefix there.
            if (header_[kMagicOffset + 5] == '\0' && !prefix.empty()) raw = prefix + "/" + raw;
        }
        std::string name;
        if (!checkedName(raw, name)) return false;
        if (type_ == '1' || type_ == '2') return recordLink(name, extension.linkPath);
        if (type_ == '5' || (type_ == '\0' && name.back() == '\\')) {
            output_.makeDirectory(name);
            remember(name, Entry::Directory, "");
            return skipData();
        }
        output_.progress(input_.tell());
        if (!extractFile(name)) {
            if (result_.status == UntarStatus::FileNotCreated) return false;
            return stop("extract file failed");
        }
        remember(name, Entry::File, "");
        extracted_ = true;
        return true;
    }

    bool checkedName(const std::string& raw, std::string& name) {
        if (!nameFits(raw)) return tooLong();
        if (!tarEntryName(raw, name)) return stop("refusing entry outside the target: " + name);
        return true;
    }

    bool skipData() { return input_.skip(static_cast<long>(size_)) || stop("gzseek 2 failed"); }

    bool longName(std::string& into) {
        if (static_cast<size_t>(size_) > kTarNameLimit + 1) return tooLong();
        std::string data(static_cast<size_t>(size_), '\0');
        if (!readFully(input_, &data[0], data.size())) return damaged();
        into = fieldText(data.data(), data.size());
        extension_.pending = true;
        return true;
    }

    // Pax records, "<length> <key>=<value>\n", read as they come so that
    // long values of keys the reader ignores cost no memory.
    bool paxRecords() {
        int64_t left = size_;
        while (left > 0) {
            int64_t length = 0;
            int digits = 0;
            char c = 0;
            for (;;) {
                if (left-- == 0 || input_.read(&c, 1) != 1) return damaged();
                if (c == ' ' && digits > 0) break;
                if (c < '0' || c > '9' || ++digits > 10) return damaged();
                length = length * 10 + (c - '0');
            }
            int64_t rest = length - digits - 1;
            if (rest < 3 || rest > left) return damaged();
            left -= rest;
            std::string key;
            bool keyCut = false;
            for (;;) {
                if (rest-- == 1 || input_.read(&c, 1) != 1) return damaged();
                if (c == '=') break;
                if (key.size() < kPaxKeyKept)
                    key += c;
                else
                    keyCut = true;
            }
            if (!paxValue(key, keyCut, rest - 1)) return false;
            if (input_.read(&c, 1) != 1 || c != '\n') return damaged();
        }
        extension_.pending = true;
        return true;
    }

    bool paxValue(const std::string& key, bool keyCut, int64_t length) {
        if (key.empty()) return damaged();
        if (key.compare(0, 11, "GNU.sparse.") == 0) return stop("refusing sparse file");
        std::string* into = nullptr;
        std::string size;
        if (!keyCut && key == "path") into = &extension_.path;
        if (!keyCut && key == "linkpath") into = &extension_.linkPath;
        if (!keyCut && key == "size") into = &size;
        if (into == nullptr)
            return length == 0 || input_.skip(static_cast<long>(length)) || damaged();
        if (static_cast<size_t>(length) > kTarNameLimit) return tooLong();
        into->assign(static_cast<size_t>(length), '\0');
        if (!readFully(input_, &(*into)[0], into->size()) || into->find('\0') != std::string::npos)
            return damaged();
        if (into == &size) {
            // An empty value takes the record back: the header's size counts.
            extension_.size = size.empty() ? -1 : parseDecimal(size);
            if (!size.empty() && extension_.size < 0) return stop("entry size out of range");
        }
        return true;
    }

    bool recordLink(const std::string& name, std::string target) {
        if (target.empty()) target = fieldText(header_ + kLinkOffset, kLinkLength);
        if (!nameFits(target)) return tooLong();
        // A link named like the target itself ("./") has no place to go.
        const std::string key = entryKey(name);
        std::string targetKey;
        bool inside = !key.empty();
        if (inside && type_ == '1') {
            std::string converted;
            inside = tarEntryName(target, converted);
            targetKey = entryKey(converted);
        } else if (inside) {
            inside = symlinkTargetKey(key, target, targetKey);
        }
        if (!inside || targetKey.empty())
            return stop("refusing link outside the target: " + name + " -> " + target);
        links_.emplace_back(key, order_);
        remember(name, Entry::Link, targetKey);
        return skipData();
    }

    void remember(const std::string& name, Entry::Kind kind, const std::string& targetKey) {
        entries_[entryKey(name)] = Entry{kind, name, targetKey, order_++};
    }

    bool extractFile(const std::string& name) {
        output_.log(false, "extracting " + name + " (size " + std::to_string(size_) + ")");
        if (!output_.openFile(name)) return notCreated(name);
        std::vector<char> buffer(kTarCopyBlock);
        int64_t copied = 0;
        // The update sent as the file started counts: within the file the
        // next one is due 200 ms later, not with its first block.
        unsigned long lastUpdate = output_.tickCount();
        bool streamError = false;
        while (copied < size_) {
            const size_t want =
                static_cast<size_t>(std::min<int64_t>(size_ - copied, kTarCopyBlock));
            const long got = input_.read(buffer.data(), want);
            // A read that brings nothing before the size is reached ends the copy.
            if (got <= 0) break;
            copied += got;
            if (!output_.write(buffer.data(), static_cast<size_t>(got))) {
                streamError = true;
                break;
            }
            const unsigned long now = output_.tickCount();
            if (now - lastUpdate > kProgressIntervalMs) {
                lastUpdate = now;
                output_.progress(input_.tell());
            }
        }
        const bool closed = output_.closeFile();
        if (streamError || !closed) {
            output_.log(true, "stream error");
            return false;
        }
        if (copied >= size_) return true;
        output_.log(true,
                    "sizes don't match: " + std::to_string(copied) + ", " + std::to_string(size_));
        return false;
    }

    // The end of the archive: every link is resolved to a written file
    // before the first copy is made.
    bool finish() {
        if (extension_.pending) return stop("extended header without an entry");
        std::vector<std::pair<const Entry*, const Entry*>> copies;
        for (const auto& [key, order] : links_) {
            const Entry& link = entries_.at(key);
            if (link.order != order) continue; // a later entry took the name
            const Entry* at = &link;
            for (size_t hops = 0; at->kind == Entry::Link; ++hops) {
                const auto found = entries_.find(at->targetKey);
                if (found == entries_.end())
                    return stop("link target not in the archive: " + link.name + " -> " +
                                at->targetKey);
                if (hops == links_.size()) return stop("link cycle: " + link.name);
                at = &found->second;
            }
            if (at->kind == Entry::Directory)
                return stop("refusing link to a directory: " + link.name + " -> " + at->name);
            copies.emplace_back(at, &link);
        }
        for (const auto& [from, to] : copies) {
            output_.log(false, "copying " + from->name + " to " + to->name);
            if (!output_.openFile(to->name)) return notCreated(to->name);
            const bool copied = output_.writeCopyOf(from->name);
            if (!output_.closeFile() || !copied) return stop("stream error");
        }
        result_.status = UntarStatus::Extracted;
        return false;
    }

    TarInput& input_;
    TarOutput& output_;
    UntarResult result_;
    char header_[kBlock] = {};
    char type_ = 0;
    int64_t size_ = 0;
    bool extracted_ = false;
    Extension extension_;
    std::map<std::string, Entry> entries_;
    std::vector<std::pair<std::string, size_t>> links_;
    size_t order_ = 0;
};

} // namespace

int64_t parseOctal(const char* field, size_t length) {
    int64_t result = 0;
    bool leading = true;
    for (size_t i = 0; i < length; ++i) {
        const char c = field[i];
        if (c == '\0') break;
        if (leading && (c == ' ' || c == '0')) continue;
        if (c == ' ') break;
        leading = false;
        if (c < '0' || c > '7') return -1;
        result = result * 8 + (c - '0');
        if (result > INT32_MAX) return -1;
    }
    return result;
}

bool tarEntryName(const std::string& raw, std::string& name) {
    name = raw;
    std::replace(name.begin(), name.end(), '/', '\\');
    if (!nameFits(raw) || name.empty() || name[0] == '\\' || name.find('\0') != std::string::npos)
        return false;
    // "./" prefixes (tar -C dir .) are harmless; every other component must
    // be a name that cannot climb, name a drive or stream, alias another
    // name through trailing dots or blanks, or open a device.
    const std::vector<std::string> parts = splitList(name, '\\');
    return !parts.empty() && std::all_of(parts.begin(), parts.end(), [](const std::string& part) {
        return part == "." || isSafeIncludedName(part);
    });
}

UntarResult untarStream(TarInput& input, TarOutput& output) {
    return Untar(input, output).run();
}

} // namespace lumen
