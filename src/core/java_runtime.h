// Pure rules for recognising and laying out a Java runtime.
//
// Contract: functions over path and output texts only; the callers do the
// file, registry and process work. Paths use the Windows layout
// (home\bin\java.exe, home\jre\bin\java.exe, bin\<vm>\jvm.dll).
#pragma once

#include <string>
#include <vector>

#include "core/path_style.h"

namespace lumen {

// Which first lines of " -version" name a version.
enum class VersionLineForms {
    JavaOnly,      // `java version "..."` (Oracle's and Sun's runtimes)
    JavaOrOpenJdk, // also `openjdk version "..."` (every OpenJDK build)
    AnyWord,       // `<word> version "..."` for any first word without blanks or quotes
};

// The version a runtime reports on the first line of " -version": the text
// between the quotes after `<word> version `, where forms admits the word.
// False for any other line, or when the closing quote is missing; version
// is then left as it was.
bool versionFromJavaOutput(const std::string& firstLine, VersionLineForms forms,
                           std::string& version);
// The same with JavaOrOpenJdk where acceptOpenJdkLead is set, else JavaOnly.
bool versionFromJavaOutput(const std::string& firstLine, bool acceptOpenJdkLead,
                           std::string& version);

// The windowed executable beside a java.exe: "...java.exe" -> "...javaw.exe"
// (the extension is overwritten with "w.ex" and an "e" appended). Where the
// style has no windowed variant the path stays as it is.
std::string windowedExecutable(const std::string& javaExe,
                               const PathStyle& style = PathStyle::windows());

// The directory of a java.exe or javaw.exe path, with its trailing separator.
std::string javaExeDirectory(const std::string& javaExe,
                             const PathStyle& style = PathStyle::windows());

// A registry key name under prefix for a path: the style's separators become
// "/", so the whole path is one key.
std::string registryKeyForPath(const std::string& prefix, const std::string& path,
                               const PathStyle& style = PathStyle::windows());
// The path back from such a key name.
std::string pathFromRegistryKey(const std::string& keyName,
                                const PathStyle& style = PathStyle::windows());

// Registry version keys in the order they are tried: greatest first
// (byte-wise, a prefix before the longer text in ascending order).
void orderVersionKeysForTrial(std::vector<std::string>& keys);
// The same under the numeric version rules (compareVersionsByNumbers);
// keys that compare equal keep their order.
void orderVersionKeysByNumber(std::vector<std::string>& keys);

// The files under a runtime's home whose presence marks a development kit,
// in the order they are worth testing: lib\tools.jar, which kits up to
// Java 8 carry, and where the caller applies the modern rules also
// bin\javac.exe, which every kit has and no kit since Java 9 lacks.
std::vector<std::string> developmentKitMarkers(const std::string& home, bool modern,
                                               const PathStyle& style = PathStyle::windows());

// One entry of the configured search sequence: a type letter and its
// argument ("EJAVA_HOME" -> 'E', "JAVA_HOME").
struct SearchEntry {
    char letter;
    std::string argument;
};
// The entries in order; empty entries are skipped.
std::vector<SearchEntry> parseSearchSequence(const std::string& sequence);

// Whether the search knows an entry: A, B, R (a directory), E (a variable,
// which must be named), S (the search path) and Y (the registry); type
// letters are upper-case. The search skips any other entry.
enum class SearchEntryCheck { Ok, UnknownLetter, NoVariableName };
SearchEntryCheck checkSearchEntry(const SearchEntry& entry);

// The command line that restores one packed jar with the runtime's tool.
// Each path is quoted, so a runtime directory with blanks works.
std::string unpack200CommandLine(const std::string& runtimeDirectory, const std::string& packed,
                                 const std::string& jar,
                                 const PathStyle& style = PathStyle::windows());

} // namespace lumen
