#include "core/java_version.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

bool inRange(const char* version, const char* minimum, const char* maximum) {
    return versionInRange(version, minimum, maximum, false, false);
}

TEST(JavaVersion, BoundsArePrefixBoundsComparedAsBytes) {
    EXPECT_TRUE(inRange("1.4.2_08", "1.3", ""));
    EXPECT_FALSE(inRange("1.2.2", "1.3", ""));
    EXPECT_TRUE(inRange("1.4.2_08", "1.3", "1.4"));
    EXPECT_FALSE(inRange("1.5.0", "1.3", "1.4"));
    EXPECT_FALSE(inRange("1.4.2_08", "", "1.4.1"));
    EXPECT_TRUE(inRange("1.10", "", "1.9")) << "bytes, not numbers";
    EXPECT_FALSE(inRange("1.4", "1.4.2", "")) << "the end of the text compares lower";
    EXPECT_TRUE(inRange("17", "1.8", "")) << "'7' sorts above '.'";
    EXPECT_FALSE(inRange("", "1.3", ""));
    EXPECT_TRUE(inRange("", "", ""));
    EXPECT_TRUE(inRange("1.\xe9", "1.", "1.\xe9")) << "high bytes compare unsigned";
    EXPECT_FALSE(inRange("1.\xe9", "", "1.a"));
}

TEST(JavaVersion, PreReleasesAreRefusedUnlessAllowed) {
    for (const char* version : {"1.5.0-beta2", "1.6.0-ea", "release 1.8"}) {
        EXPECT_FALSE(versionInRange(version, "", "", false, false)) << version;
        EXPECT_TRUE(versionInRange(version, "", "", true, false)) << version;
        EXPECT_TRUE(versionInRange(version, "", "", false, true)) << version;
    }
    EXPECT_TRUE(versionInRange("1.6.0-EA", "", "", false, false)) << "markers are case-sensitive";
}

TEST(JavaVersion, RegistryKeysCompareOverTheShorterLength) {
    EXPECT_TRUE(versionKeyInRange("1.3", "1.3.1", ""));
    EXPECT_FALSE(versionInRange("1.3", "1.3.1", "", true, false));
    EXPECT_TRUE(versionKeyInRange("1.4", "1.4.2", "1.4"));
    EXPECT_FALSE(versionKeyInRange("1.2", "1.3", ""));
    EXPECT_FALSE(versionKeyInRange("1.5", "", "1.4"));
    EXPECT_TRUE(versionKeyInRange("anything-ea", "", ""));
}

TEST(JavaVersion, OrderingIsPlainByteOrder) {
    EXPECT_LT(compareVersions("1.4", "1.4.2"), 0);
    EXPECT_GT(compareVersions("1.9", "1.10"), 0);
    EXPECT_EQ(compareVersions("1.6.0_45", "1.6.0_45"), 0);
    EXPECT_LT(compareVersions("1.6", "1.\xe9"), 0);
}

struct RangeCase {
    const char* version;
    const char* minimum;
    const char* maximum;
    bool numeric;  // under the numeric rules
    bool bytewise; // under the classic rules, where the two differ
};

TEST(JavaVersion, NumericBoundsAroundEachVersion) {
    const RangeCase cases[] = {
        {"9", "9", "", true, true},
        {"9", "10", "", false, true},
        {"9", "", "9", true, true},
        {"9", "", "8", false, false},
        {"17", "9", "", true, false},
        {"17", "17.0.1", "", false, false},
        {"17", "", "16", false, false},
        {"17.0.15", "", "17", true, true},
        {"17.0.15", "", "17.0.2", false, true},
        {"17.0.15", "", "9", false, true},
        {"17.0.15", "17.0.15", "17.0.15", true, true},
        {"17.0.15", "17.0.16", "", false, false},
        {"11.0.2", "11.0.2", "11", true, true},
        {"11.0.2", "11.0.3", "", false, false},
        {"11.0.2", "", "11.0.1", false, false},
        {"1.8", "8", "8", true, false},
        {"1.8", "1.8", "", true, true},
        {"1.8", "", "1.7", false, false},
        {"1.8", "9", "", false, false},
        {"1.8.0_301", "8", "1.8", true, false},
        {"1.8.0_301", "8.0.301", "", true, false},
        {"1.8.0_301", "1.8.0_302", "", false, false},
        {"1.8.0_301", "", "8.0.300", false, true},
        {"21", "21", "21", true, true},
        {"21", "22", "", false, false},
        {"21", "", "20", false, false},
        {"25.0.3", "25", "25.0.3", true, true},
        {"25.0.3", "25.0.4", "", false, false},
        {"25.0.3", "", "25.0.2", false, false},
        {"25.0.3", "9", "", true, false},
        {"abc", "9", "", false, true},
        {"abc", "", "", true, true},
        {"", "", "9", false, true},
    };
    for (const RangeCase& c : cases) {
        EXPECT_EQ(versionInRangeByNumbers(c.version, c.minimum, c.maximum, false, false), c.numeric)
            << c.version << " [" << c.minimum << ", " << c.maximum << "]";
        EXPECT_EQ(versionInRange(c.version, c.minimum, c.maximum, false, false), c.bytewise)
            << c.version << " [" << c.minimum << ", " << c.maximum << "] classic";
    }
}

TEST(JavaVersion, NumericRulesKeepThePreReleaseTest) {
    for (const char* bounds : {"22", "21.0.1"}) {
        EXPECT_FALSE(versionInRangeByNumbers("22-ea", bounds, "", false, false));
        EXPECT_TRUE(versionInRangeByNumbers("22-ea", bounds, "", true, false));
        EXPECT_TRUE(versionInRangeByNumbers("22-ea", bounds, "22", false, true));
    }
    EXPECT_FALSE(versionInRangeByNumbers("22-ea", "23", "", true, false));
    EXPECT_FALSE(versionInRangeByNumbers("22-ea", "", "21", true, false));
}

TEST(JavaVersion, BoundsThatAreNoNumberKeepTheByteRule) {
    for (const char* bound : {"17-ea", "1.6+", "1.4.x"})
        for (const char* version : {"17.0.1", "17-ea", "1.6.0_45", "1.4.2", "25"}) {
            EXPECT_EQ(versionInRangeByNumbers(version, bound, "", true, false),
                      versionInRange(version, bound, "", true, false))
                << version << " min " << bound;
            EXPECT_EQ(versionInRangeByNumbers(version, "", bound, true, false),
                      versionInRange(version, "", bound, true, false))
                << version << " max " << bound;
        }
}

TEST(JavaVersion, VersionNumbersEndAtTheSuffix) {
    std::vector<uint32_t> numbers;
    ASSERT_TRUE(versionNumbers("1.8.0_301-b09", numbers));
    EXPECT_EQ(numbers, (std::vector<uint32_t>{8, 0, 301}));
    ASSERT_TRUE(versionNumbers("17.0.15+6-Debian-1deb12u1", numbers));
    EXPECT_EQ(numbers, (std::vector<uint32_t>{17, 0, 15}));
    ASSERT_TRUE(versionNumbers("4294967295", numbers));
    for (const char* bad : {"", "17.", ".17", "17..0", "17 LTS", "v17", "4294967296", "17.0.9u"})
        EXPECT_FALSE(versionNumbers(bad, numbers)) << bad;
}

TEST(JavaVersion, RegistryKeysUnderNumericRules) {
    EXPECT_TRUE(versionKeyInRangeByNumbers("17", "17.0.2", "")) << "over the shorter list";
    EXPECT_TRUE(versionKeyInRangeByNumbers("1.8", "8.0.301", "1.8"));
    EXPECT_FALSE(versionKeyInRangeByNumbers("1.8", "9", ""));
    EXPECT_FALSE(versionKeyInRangeByNumbers("17.0.9.9", "17.0.10", ""));
    EXPECT_FALSE(versionKeyInRangeByNumbers("11", "", "9"));
    EXPECT_TRUE(versionKeyInRangeByNumbers("current", "9", "17")) << "no number: left to the check";
}

TEST(JavaVersion, NumericOrdering) {
    EXPECT_EQ(compareVersionsByNumbers("1.8", "8.0"), 0);
    EXPECT_GT(compareVersionsByNumbers("1.10", "1.9"), 0);
    EXPECT_GT(compareVersionsByNumbers("22", "22-ea"), 0);
    EXPECT_GT(compareVersionsByNumbers("9", "release"), 0);
    EXPECT_GT(compareVersionsByNumbers("b", "a"), 0);
}

TEST(JavaVersion, BuilderChecksTheBounds) {
    const struct {
        const char* minimum;
        const char* maximum;
        VersionBoundsCheck expected;
    } cases[] = {
        {"", "", VersionBoundsCheck::Ok},
        {"9", "", VersionBoundsCheck::Ok},
        {"", "1.8.0_301", VersionBoundsCheck::Ok},
        {"17.0.2", "17", VersionBoundsCheck::Ok},
        {"1.8", "8", VersionBoundsCheck::Ok},
        {"18", "17", VersionBoundsCheck::MinimumAboveMaximum},
        {"17.0.3", "17.0.2", VersionBoundsCheck::MinimumAboveMaximum},
        {"17-ea", "", VersionBoundsCheck::MinimumNotAVersion},
        {"9.", "17", VersionBoundsCheck::MinimumNotAVersion},
        {"9", "latest", VersionBoundsCheck::MaximumNotAVersion},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkVersionBounds(c.minimum, c.maximum), c.expected)
            << c.minimum << " / " << c.maximum;
}

} // namespace
} // namespace lumen
