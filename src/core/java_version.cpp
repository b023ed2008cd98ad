#include "core/java_version.h"

#include <algorithm>

namespace lumen {
namespace {

// strncmp over unsigned bytes, with the texts' ends acting as terminators.
int compareBytes(const std::string& a, const std::string& b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int left = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const int right = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        if (left != right) return left - right;
        if (left == 0) return 0;
    }
    return 0;
}

} // namespace

bool isPreReleaseVersion(const std::string& version) {
    return version.find("beta") != std::string::npos || version.find("ea") != std::string::npos;
}

bool versionInRange(const std::string& version, const std::string& minimum,
                    const std::string& maximum, bool allowPreRelease,
                    bool acceptPreReleaseProperty) {
    if (!allowPreRelease && !acceptPreReleaseProperty && isPreReleaseVersion(version)) return false;
    if (compareBytes(version, minimum, minimum.size()) < 0) return false;
    if (compareBytes(version, maximum, maximum.size()) > 0) return false;
    return true;
}

bool versionKeyInRange(const std::string& key, const std::string& minimum,
                       const std::string& maximum) {
    if (compareBytes(key, minimum, std::min(key.size(), minimum.size())) < 0) return false;
    if (compareBytes(key, maximum, std::min(key.size(), maximum.size())) > 0) return false;
    return true;
}

int compareVersions(const std::string& a, const std::string& b) {
    return compareBytes(a, b, std::max(a.size(), b.size()) + 1);
}

} // namespace lumen
