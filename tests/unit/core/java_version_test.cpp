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

} // namespace
} // namespace lumen
