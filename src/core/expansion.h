// Placeholder expansion of configured texts (class-path entries, VM
// parameters, fixed application arguments).
//
// Contract: pure functions over 8-bit texts; the caller supplies the
// launcher directory, the extraction directory and the environment entries
// it read. Matching is case-sensitive and plain (no escapes); text that
// matches nothing stays as it is.
//
// Size: a result never exceeds kTextBufferSize - 1 bytes. An input that is
// longer is first cut to that size, and a replacement that would take the
// text past it is not made: that occurrence stays unreplaced (the text
// stays whole, never cut mid-way) and the search goes on behind it. Both
// report false so that the caller can log the loss.
#pragma once

#include <string>
#include <vector>

namespace lumen {

// Replaces every occurrence of pattern. The search resumes right after the
// inserted replacement, so inserted text is never matched again by the same
// pattern, and text in front of an occurrence is not searched twice. An
// empty pattern replaces nothing. False when an occurrence had to stay
// unreplaced (or the input was cut) because of the size limit.
bool replaceAll(std::string& text, const std::string& pattern, const std::string& replacement);

// The TESSEL_ forms are the names the installer product's configurations
// have always used; configurations are stored texts, so both names expand.
// Expands, in this order: "%LUMEN_EXEDIR%", "%TESSEL_EXEDIR%" (launcher
// directory), "%LUMEN_TEMPDIR%", "%TESSEL_TEMPDIR%" (extraction directory),
// "%LUMEN_PATHLIST_SEPARATOR%", "%TESSEL_PATHLIST_SEPARATOR%" (the
// platform's list separator: ";" on Windows, ":" on POSIX), then
// the same six in the "${...}" form; then, for each environment entry in
// the given order, "${NAME}" spelled as the entry spells it and then the
// same pattern wholly upper-cased (ASCII letters, byte by byte), each
// replaced by the entry's value. The second pass runs even when upper-casing
// changes nothing, so a value that contains its own already upper-case
// pattern is expanded once more.
//
// An entry is split at its first '='; entries without '=' are skipped. The
// system's hidden per-drive entries ("=C:=C:\...") therefore have an empty
// name and replace only the literal text "${}". Fixed placeholders inside
// environment values are not expanded (they are replaced first); a value
// holding ${OTHER} is expanded when OTHER's entry comes later.
//
// False when some replacement was left out because of the size limit.
bool expandVariables(std::string& text, const std::string& launcherDirectory,
                     const std::string& extractionDirectory,
                     const std::vector<std::string>& environmentEntries,
                     const std::string& listSeparator = ";");

} // namespace lumen
