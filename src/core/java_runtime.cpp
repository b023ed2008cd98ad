#include "core/java_runtime.h"

#include <algorithm>

#include "core/java_version.h"
#include "core/path_rules.h"
#include "core/short_sort.h"

namespace lumen {

bool versionFromJavaOutput(const std::string& firstLine, VersionLineForms forms,
                           std::string& version) {
    // Oracle's runtimes print `java version "1.8.0_202"`; OpenJDK builds print
    // `openjdk version "17.0.1" 2021-10-19`.
    static const char kMiddle[] = " version \"";
    const size_t wordEnd = firstLine.find_first_of(" \t\"");
    if (wordEnd == 0 || wordEnd == std::string::npos ||
        firstLine.compare(wordEnd, sizeof kMiddle - 1, kMiddle) != 0)
        return false;
    const std::string word = firstLine.substr(0, wordEnd);
    const bool admitted = word == "java" || forms == VersionLineForms::AnyWord ||
                          (forms == VersionLineForms::JavaOrOpenJdk && word == "openjdk");
    const size_t open = wordEnd + sizeof kMiddle - 1;
    const size_t close = firstLine.find('"', open);
    if (!admitted || close == std::string::npos) return false;
    version = firstLine.substr(open, close - open);
    return true;
}

bool versionFromJavaOutput(const std::string& firstLine, bool acceptOpenJdkLead,
                           std::string& version) {
    return versionFromJavaOutput(
        firstLine, acceptOpenJdkLead ? VersionLineForms::JavaOrOpenJdk : VersionLineForms::JavaOnly,
        version);
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

void orderVersionKeysByNumber(std::vector<std::string>& keys) {
    shortStableSort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
        return compareVersionsByNumbers(a, b) > 0;
    });
}

std::vector<std::string> developmentKitMarkers(const std::string& home, bool modern,
                                               const PathStyle& style) {
    std::vector<std::string> markers{joinPath(style, joinPath(style, home, "lib"), "tools.jar")};
    if (modern)
        markers.push_back(
            joinPath(style, joinPath(style, home, "bin"), "javac" + style.executableSuffix));
    return markers;
}

std::vector<SearchEntry> parseSearchSequence(const std::string& sequence) {
    const std::vector<std::string> items = splitList(sequence);
    std::vector<SearchEntry> entries(items.size());
    std::transform(items.begin(), items.end(), entries.begin(), [](const std::string& item) {
        return SearchEntry{item[0], item.substr(1)};
    });
    return entries;
}

SearchEntryCheck checkSearchEntry(const SearchEntry& entry) {
    switch (entry.letter) {
    case 'A':
    case 'B':
    case 'R':
    case 'S':
    case 'Y':
        return SearchEntryCheck::Ok;
    case 'E':
        return entry.argument.empty() ? SearchEntryCheck::NoVariableName : SearchEntryCheck::Ok;
    default:
        return SearchEntryCheck::UnknownLetter;
    }
}

std::string unpack200CommandLine(const std::string& runtimeDirectory, const std::string& packed,
                                 const std::string& jar, const PathStyle& style) {
    const std::string tool = joinPath(style, joinPath(style, runtimeDirectory, "bin"),
                                      "unpack200" + style.executableSuffix);
    return "\"" + tool + "\" -r \"" + packed + "\" \"" + jar + "\"";
}

} // namespace lumen
