// Java version texts and the configured version range.
//
// Two rule sets, chosen by the caller (never by a global switch):
//
// Classic rules: versions are never parsed into numbers. Every test is a
// byte-wise comparison (unsigned bytes, a text that ends earlier compares
// lower), and the bounds are prefix bounds: a maximum of "1.4" admits
// "1.4.2_08", a minimum of "1.4.2" rejects "1.4".
//
// Numeric rules (the *ByNumbers functions): the leading number of a version
// text, components separated by '.' or '_' and ended by '-', '+' or the end
// of the text, compares component by component as unsigned numbers, a
// missing component counting as 0. A leading "1." is dropped, so "1.8" and
// "8" are the same version and "1.8.0_301" is 8.0.301. A bound compares
// over its own components only: a minimum of "11.0.2" needs at least
// 11.0.2, a maximum of "17" admits every 17.x.y (it names the last feature
// release accepted) and a maximum of "17.0.2" admits 17.0.2.9 but not
// 17.0.15. What follows the number ("-ea", "+7", "-LTS") never compares;
// the pre-release test is the classic one, on the whole text. A bound that
// is not a plain number falls back to the classic rule for that bound, so a
// stored block with an odd bound keeps working.
//
// Pure functions: the caller passes the range and the pre-release setting
// it read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumen {

// True when the text contains a pre-release marker ("beta" or "ea",
// case-sensitively, anywhere in the text).
bool isPreReleaseVersion(const std::string& version);

// A runtime's exact version against the range. Pre-release versions are
// refused unless allowPreRelease or acceptPreReleaseProperty (the
// configured switch) is set. Empty bounds always pass.
bool versionInRange(const std::string& version, const std::string& minimum,
                    const std::string& maximum, bool allowPreRelease,
                    bool acceptPreReleaseProperty);

// A registry version key (or "CurrentVersion" value) against the range,
// compared over the shorter of the two lengths; used to pre-select keys
// whose exact runtime is then tested with versionInRange.
bool versionKeyInRange(const std::string& key, const std::string& minimum,
                       const std::string& maximum);

// strcmp-style ordering of two version texts: < 0, 0 or > 0.
int compareVersions(const std::string& a, const std::string& b);

// The components of a version text's leading number under the numeric rules
// ("1.8.0_301-b09" -> 8, 0, 301). False when the text does not begin with a
// well-formed number (digits, single separators, every component below
// 2^32) ended by '-', '+' or the end of the text.
[[nodiscard]] bool versionNumbers(const std::string& text, std::vector<uint32_t>& numbers);

// True for a text that is a plain version number ("17", "11.0.2",
// "1.8.0_301"): what a configured bound must be under the numeric rules.
bool isVersionBound(const std::string& text);

// versionInRange under the numeric rules. A version that is not a number
// passes no non-empty numeric bound.
bool versionInRangeByNumbers(const std::string& version, const std::string& minimum,
                             const std::string& maximum, bool allowPreRelease,
                             bool acceptPreReleaseProperty);

// versionKeyInRange under the numeric rules: compared over the shorter of
// the two component lists. A key that is not a number passes, since the
// exact runtime behind it is tested anyway.
bool versionKeyInRangeByNumbers(const std::string& key, const std::string& minimum,
                                const std::string& maximum);

// Ordering under the numeric rules: numbers first; on equal numbers a
// pre-release orders below the release; a number above any text that is
// none; two such texts byte-wise.
int compareVersionsByNumbers(const std::string& a, const std::string& b);

// One of the two rule sets, chosen by the caller from its configuration:
// numeric selects the *ByNumbers functions, else the classic ones.
struct VersionRules {
    bool numeric = false;

    bool inRange(const std::string& version, const std::string& minimum, const std::string& maximum,
                 bool allowPreRelease, bool acceptPreReleaseProperty) const;
    bool keyInRange(const std::string& key, const std::string& minimum,
                    const std::string& maximum) const;
    int compare(const std::string& a, const std::string& b) const;
};

// What the builder checks in a configured range under the numeric rules.
enum class VersionBoundsCheck {
    Ok,
    MinimumNotAVersion,
    MaximumNotAVersion,
    MinimumAboveMaximum, // no version can pass both bounds
};
// Empty bounds are absent and always fine.
VersionBoundsCheck checkVersionBounds(const std::string& minimum, const std::string& maximum);

} // namespace lumen
