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

constexpr uint64_t kLargestComponent = 0xFFFFFFFFu;

// The leading number of a text; end receives the index behind it.
bool leadingNumber(const std::string& text, std::vector<uint32_t>& numbers, size_t& end) {
    numbers.clear();
    size_t i = 0;
    for (;;) {
        const size_t start = i;
        uint64_t value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + static_cast<uint64_t>(text[i] - '0');
            if (value > kLargestComponent) return false;
        }
        if (i == start) return false;
        numbers.push_back(static_cast<uint32_t>(value));
        if (i == text.size() || (text[i] != '.' && text[i] != '_')) break;
        ++i;
    }
    end = i;
    // Java 8 and older name feature release x "1.x".
    if (numbers.size() > 1 && numbers[0] == 1) numbers.erase(numbers.begin());
    return true;
}

bool boundNumbers(const std::string& text, std::vector<uint32_t>& numbers) {
    size_t end = 0;
    return leadingNumber(text, numbers, end) && end == text.size();
}

// Component-wise over the first `count` components, missing ones being 0.
int compareNumbers(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t left = i < a.size() ? a[i] : 0;
        const uint32_t right = i < b.size() ? b[i] : 0;
        if (left != right) return left < right ? -1 : 1;
    }
    return 0;
}

enum class Bound { Minimum, Maximum };

// One bound of the numeric rules. An exact version compares over the bound's
// components, a registry key over the shorter list. A bound that is no plain
// number keeps the classic byte rule with its classic length.
bool passesBound(const std::string& text, const std::string& bound, Bound side, bool registryKey) {
    if (bound.empty()) return true;
    std::vector<uint32_t> limit, numbers;
    int order = 0;
    if (!boundNumbers(bound, limit)) {
        order = compareBytes(text, bound,
                             registryKey ? std::min(text.size(), bound.size()) : bound.size());
    } else if (!versionNumbers(text, numbers)) {
        return registryKey;
    } else {
        order = compareNumbers(numbers, limit,
                               registryKey ? std::min(numbers.size(), limit.size()) : limit.size());
    }
    return side == Bound::Minimum ? order >= 0 : order <= 0;
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

bool versionNumbers(const std::string& text, std::vector<uint32_t>& numbers) {
    size_t end = 0;
    return leadingNumber(text, numbers, end) &&
           (end == text.size() || text[end] == '-' || text[end] == '+');
}

bool isVersionBound(const std::string& text) {
    std::vector<uint32_t> numbers;
    return boundNumbers(text, numbers);
}

bool versionInRangeByNumbers(const std::string& version, const std::string& minimum,
                             const std::string& maximum, bool allowPreRelease,
                             bool acceptPreReleaseProperty) {
    if (!allowPreRelease && !acceptPreReleaseProperty && isPreReleaseVersion(version)) return false;
    return passesBound(version, minimum, Bound::Minimum, false) &&
           passesBound(version, maximum, Bound::Maximum, false);
}

bool versionKeyInRangeByNumbers(const std::string& key, const std::string& minimum,
                                const std::string& maximum) {
    return passesBound(key, minimum, Bound::Minimum, true) &&
           passesBound(key, maximum, Bound::Maximum, true);
}

int compareVersionsByNumbers(const std::string& a, const std::string& b) {
    std::vector<uint32_t> left, right;
    const bool leftIsNumber = versionNumbers(a, left);
    const bool rightIsNumber = versionNumbers(b, right);
    if (leftIsNumber != rightIsNumber) return leftIsNumber ? 1 : -1;
    if (!leftIsNumber) return compareVersions(a, b);
    const int order = compareNumbers(left, right, std::max(left.size(), right.size()));
    if (order != 0) return order;
    return static_cast<int>(isPreReleaseVersion(b)) - static_cast<int>(isPreReleaseVersion(a));
}

bool VersionRules::inRange(const std::string& version, const std::string& minimum,
                           const std::string& maximum, bool allowPreRelease,
                           bool acceptPreReleaseProperty) const {
    return numeric ? versionInRangeByNumbers(version, minimum, maximum, allowPreRelease,
                                             acceptPreReleaseProperty)
                   : versionInRange(version, minimum, maximum, allowPreRelease,
                                    acceptPreReleaseProperty);
}

bool VersionRules::keyInRange(const std::string& key, const std::string& minimum,
                              const std::string& maximum) const {
    return numeric ? versionKeyInRangeByNumbers(key, minimum, maximum)
                   : versionKeyInRange(key, minimum, maximum);
}

int VersionRules::compare(const std::string& a, const std::string& b) const {
    return numeric ? compareVersionsByNumbers(a, b) : compareVersions(a, b);
}

VersionBoundsCheck checkVersionBounds(const std::string& minimum, const std::string& maximum) {
    if (!minimum.empty() && !isVersionBound(minimum)) return VersionBoundsCheck::MinimumNotAVersion;
    if (!maximum.empty() && !isVersionBound(maximum)) return VersionBoundsCheck::MaximumNotAVersion;
    // The range is empty exactly when the minimum itself fails the maximum.
    if (!minimum.empty() && !passesBound(minimum, maximum, Bound::Maximum, false))
        return VersionBoundsCheck::MinimumAboveMaximum;
    return VersionBoundsCheck::Ok;
}

} // namespace lumen
