#include "core/release_file.h"

#include <vector>

#include "core/java_version.h"

namespace lumen {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isKeyCharacter(char c) {
    return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string trimmed(const std::string& text, size_t begin, size_t end) {
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The value of one KEY=VALUE line: between the quotes when it is quoted (up
// to the line's end when the closing quote is missing), else as it stands.
std::string lineValue(const std::string& rest) {
    if (rest.empty() || (rest[0] != '"' && rest[0] != '\'')) return rest;
    const size_t close = rest.find(rest[0], 1);
    return rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

// jlink writes JAVA_VERSION without the pre-release part that " -version"
// shows; JAVA_RUNTIME_VERSION ($VNUM(-$PRE)?(+$BUILD)?(-$OPT)?) still has
// it, right behind the number.
std::string reportedVersion(const ReleaseInfo& info) {
    std::vector<uint32_t> numbers;
    if (!versionNumbers(info.javaVersion, numbers)) return std::string();
    const std::string& runtime = info.runtimeVersion;
    const size_t length = info.javaVersion.size();
    if (runtime.size() > length + 1 && runtime.compare(0, length, info.javaVersion) == 0 &&
        runtime[length] == '-')
        return runtime.substr(0, runtime.find('+', length));
    return info.javaVersion;
}

} // namespace

ReleaseInfo parseReleaseFile(const std::string& text) {
    // A text as long as the cap may be a cut file: its unended last line
    // could hold half a value, so only ended lines count there.
    const bool whole = text.size() < kReleaseFileMaxBytes;
    const size_t size = whole ? text.size() : kReleaseFileMaxBytes;
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    ReleaseInfo info;
    while (at < size) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos || end >= size) {
            if (!whole) break;
            end = size;
        }
        const std::string line = trimmed(text, at, end);
        at = end + 1;

        size_t keyEnd = 0;
        while (keyEnd < line.size() && isKeyCharacter(line[keyEnd]))
            ++keyEnd;
        const size_t equals = line.find('=', keyEnd);
        if (keyEnd == 0 || equals == std::string::npos || !trimmed(line, keyEnd, equals).empty())
            continue; // a comment, a blank line or junk
        const std::string key = line.substr(0, keyEnd);
        const std::string value = lineValue(trimmed(line, equals + 1, line.size()));
        if (key == "JAVA_VERSION")
            info.javaVersion = value;
        else if (key == "JAVA_RUNTIME_VERSION")
            info.runtimeVersion = value;
        else if (key == "IMPLEMENTOR")
            info.implementor = value;
        else if (key == "OS_ARCH")
            info.osArch = value;
    }
    info.arch = cpuArchFromOsArch(info.osArch);
    info.version = reportedVersion(info);
    return info;
}

} // namespace lumen
