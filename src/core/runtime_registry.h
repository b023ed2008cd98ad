// Where installed Java runtimes register themselves in the Windows registry:
// one row per key family, in the order the registry entry of the search
// sequence reads them.
//
// Contract: data and pure helpers only; the launcher opens the keys. Every
// family is a key under HKEY_LOCAL_MACHINE (and, for rows marked perUser,
// the same key under HKEY_CURRENT_USER, where per-user installations
// write), whose sub-keys name one installed runtime each. The runtime's home
// directory is a string value of the sub-key itself or of a fixed path below
// it (Adoptium's MSI writes "<version>\hotspot\MSI" with value "Path").
// Sub-key names carry the version the runtime was registered under, after a
// fixed prefix for families that name their keys ("zulu-17"); that version
// only pre-selects and orders candidates, every candidate's home still goes
// through the executable check and the exact version range. Classic rows
// are the two keys of Java 8 and older, read with or without the
// modern-runtimes property; the other rows only with it.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace lumen {

// What a family's installations are, as far as the key tells.
enum class RuntimeKind {
    DevelopmentKit,
    RuntimeOnly, // skipped when a development kit is required
    Either,      // the home itself decides
};

struct RuntimeKeyFamily {
    const char* vendor;     // who writes the key, for the log
    const char* key;        // below the root, e.g. "SOFTWARE\\JavaSoft\\JDK"
    const char* namePrefix; // before the version in a sub-key's name ("" = the name is it)
    const char* tail;       // below the sub-key, where the home value is ("" = the sub-key)
    const char* homeValue;  // string value naming the home directory
    RuntimeKind kind;
    bool perUser; // also read under HKEY_CURRENT_USER
    bool classic; // read without the modern-runtimes property too
};

constexpr size_t kRuntimeKeyFamilyCount = 18;
const std::array<RuntimeKeyFamily, kRuntimeKeyFamilyCount>& runtimeKeyFamilies();

// Whether a family is read at all: classic rows always, the others with the
// modern rules; families of runtimes only never when a kit is required.
bool runtimeKeyFamilyApplies(const RuntimeKeyFamily& family, bool modern,
                             bool requireDevelopmentKit);

// The version a sub-key name registers ("zulu-17" -> "17", "17.0.9.9" ->
// "17.0.9.9"); false when the name lacks the family's prefix (compared
// without case) or nothing follows it.
bool registeredVersion(const RuntimeKeyFamily& family, const std::string& subKey,
                       std::string& version);

// The key holding one runtime's home value: key\subKey, and \tail if any.
std::string runtimeHomeKey(const RuntimeKeyFamily& family, const std::string& subKey);

} // namespace lumen
