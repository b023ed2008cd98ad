#include "core/java_runtime.h"

#include <algorithm>

#include "core/path_rules.h"

namespace lumen {

bool versionFromJavaOutput(const std::string& firstLine, bool acceptOpenJdkLead,
                           std::string& version) {
    // Oracle's runtimes print `java version "1.8.0_202"`; OpenJDK builds print
    // `openjdk version "17.0.1" 2021-10-19`.
    static const char* const kLeads[] = {"java version \"", "openjdk version \""};
    for (const char* lead : kLeads) {
        if (!acceptOpenJdkLead && lead != kLeads[0]) break;
        const std::string prefix(lead);
        if (firstLine.compare(0, prefix.size(), prefix) != 0) continue;
        const size_t close = firstLine.find('"', prefix.size());
        if (close == std::string::npos) return false;
        version = firstLine.substr(prefix.size(), close - prefix.size());
        return true;
    }
    return false;
}

std::string windowedExecutable(const std::string& javaExe, const PathStyle& style) {
    if (style.windowedJavaExecutable == style.javaExecutable) return javaExe;
    if (javaExe.size() < 4) return javaExe + "w.exe";
    return javaExe.substr(0, javaExe.size() - 4) + "w.exe";
}

std::string javaExeDirectory(const std::string& javaExe, const PathStyle& style) {
    const std::string& windowed = style.windowedJavaExecutable;
    const size_t cut =
        javaExe.size() >= windowed.size() &&
                javaExe.compare(javaExe.size() - windowed.size(), windowed.size(), windowed) == 0
            ? windowed.size()
            : style.javaExecutable.size();
    return javaExe.size() >= cut ? javaExe.substr(0, javaExe.size() - cut) : std::string();
}

std::string registryKeyForPath(const std::string& prefix, const std::string& path,
                               const PathStyle& style) {
    std::string key = path;
    std::replace(key.begin(), key.end(), style.separator, '/');
    return prefix + key;
}

std::string pathFromRegistryKey(const std::string& keyName, const PathStyle& style) {
    std::string path = keyName;
    std::replace(path.begin(), path.end(), '/', style.separator);
    return path;
}

void orderVersionKeysForTrial(std::vector<std::string>& keys) {
    // std::string compares like memcmp (unsigned bytes), the shorter first.
    std::sort(keys.begin(), keys.end());
    std::reverse(keys.begin(), keys.end());
}

std::vector<SearchEntry> parseSearchSequence(const std::string& sequence) {
    const std::vector<std::string> items = splitList(sequence);
    std::vector<SearchEntry> entries(items.size());
    std::transform(items.begin(), items.end(), entries.begin(), [](const std::string& item) {
        return SearchEntry{item[0], item.substr(1)};
    });
    return entries;
}

std::string unpack200CommandLine(const std::string& runtimeDirectory, const std::string& packed,
                                 const std::string& jar, const PathStyle& style) {
    const std::string tool = joinPath(style, joinPath(style, runtimeDirectory, "bin"),
                                      "unpack200" + style.executableSuffix);
    return "\"" + tool + "\" -r \"" + packed + "\" \"" + jar + "\"";
}

} // namespace lumen
