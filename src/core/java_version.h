// Java version texts and the configured version range.
//
// Contract: versions are never parsed into numbers. Every test is a
// byte-wise comparison (unsigned bytes, a text that ends earlier compares
// lower), and the bounds are prefix bounds: a maximum of "1.4" admits
// "1.4.2_08", a minimum of "1.4.2" rejects "1.4". Pure functions: the
// caller passes the range and the pre-release setting it read.
#pragma once

#include <string>

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

} // namespace lumen
