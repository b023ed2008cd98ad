#include "core/tar_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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
constexpr size_t kMagicOffset = 257;
constexpr unsigned long kProgressIntervalMs = 200;

std::string format(const char* pattern, long long a, long long b) {
    char line[96];
    (void)std::snprintf(line, sizeof line, pattern, a, b);
    return line;
}

bool extractTarEntry(TarInput& input, TarOutput& output, const std::string& name, int64_t size) {
    output.log(false, "extracting " + name + " (size " + std::to_string(size) + ")");
    if (!output.openFile(name)) {
        const std::string text = "Could not open file " + name + "\n";
        output.log(true, text);
        output.fileCreationFailed(text);
        return false;
    }
    std::vector<char> buffer(kTarCopyBlock);
    int64_t copied = 0;
    // The update sent as the file started counts: within the file the next
    // one is due 200 ms later, not with its first block.
    unsigned long lastUpdate = output.tickCount();
    bool streamError = false;
    while (copied < size) {
        const size_t want = static_cast<size_t>(
            size - copied < static_cast<int64_t>(kTarCopyBlock) ? size - copied : kTarCopyBlock);
        const long got = input.read(buffer.data(), want);
        // A read that brings nothing before the size is reached ends the copy.
        if (got <= 0) break;
        copied += got;
        if (!output.write(buffer.data(), static_cast<size_t>(got))) {
            streamError = true;
            break;
        }
        const unsigned long now = output.tickCount();
        if (now - lastUpdate > kProgressIntervalMs) {
            lastUpdate = now;
            output.progress(input.tell());
        }
    }
    const bool closed = output.closeFile();
    if (streamError || !closed) {
        output.log(true, "stream error");
        return false;
    }
    if (copied >= size) return true;
    output.log(true, format("sizes don't match: %lld, %lld", copied, size));
    return false;
}

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

bool tarEntryName(const char* field, size_t length, std::string& name) {
    size_t end = 0;
    while (end < length && field[end] != '\0')
        ++end;
    name.assign(field, end);
    std::replace(name.begin(), name.end(), '/', '\\');
    if (name.empty() || name[0] == '\\') return false;
    // "./" prefixes (tar -C dir .) are harmless; every other component must
    // be a name that cannot climb, name a drive or stream, alias another
    // name through trailing dots or blanks, or open a device.
    const std::vector<std::string> parts = splitList(name, '\\');
    return !parts.empty() && std::all_of(parts.begin(), parts.end(), [](const std::string& part) {
        return part == "." || isSafeIncludedName(part);
    });
}

bool untarStream(TarInput& input, TarOutput& output) {
    bool extracted = false;
    char header[kBlock];
    for (;;) {
        if (input.atEnd()) {
            if (extracted) return true;
            output.log(true, "unexpected eof");
            return false;
        }
        std::memset(header, 0, sizeof header);
        if (input.read(header, kHeaderRead) < 0) {
            output.log(true, "gzread failed");
            return false;
        }
        if (std::memcmp(header + kMagicOffset, "ustar", 5) != 0) {
            if (extracted) return true;
            output.log(true, "no magic number");
            return false;
        }
        if (!input.skip(static_cast<long>(kBlock - kHeaderRead))) {
            output.log(true, "gzseek 1 failed");
            return false;
        }
        const int64_t size = parseOctal(header + kSizeOffset, kSizeLength);
        if (size < 0) {
            output.log(true, "entry size out of range");
            return false;
        }
        std::string name;
        const char type = header[kTypeOffset];
        if ((type == '5' || type == '0') && !tarEntryName(header, kNameLength, name)) {
            output.log(true, "refusing entry outside the target: " + name);
            return false;
        }
        if (type == '5') {
            output.makeDirectory(name);
        } else if (type == '0') {
            output.progress(input.tell());
            if (!extractTarEntry(input, output, name, size)) {
                output.log(true, "extract file failed");
                return false;
            }
            extracted = true;
        } else if (!input.skip(static_cast<long>(size))) {
            output.log(true, "gzseek 2 failed");
            return false;
        }
        const int64_t padding = size % static_cast<int64_t>(kBlock);
        if (padding != 0 && !input.skip(static_cast<long>(kBlock - padding))) {
            output.log(true, "gzseek 3 failed");
            return false;
        }
    }
}

} // namespace lumen
