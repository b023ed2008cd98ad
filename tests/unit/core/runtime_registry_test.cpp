#include "core/runtime_registry.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

const RuntimeKeyFamily& familyOf(const std::string& key, const std::string& prefix = "") {
    for (const RuntimeKeyFamily& family : runtimeKeyFamilies())
        if (key == family.key && prefix == family.namePrefix) return family;
    throw std::runtime_error("no family " + key);
}

TEST(RuntimeRegistry, WhichFamiliesAreRead) {
    const RuntimeKeyFamily& classicJre = familyOf("SOFTWARE\\JavaSoft\\Java Runtime Environment");
    const RuntimeKeyFamily& jdk = familyOf("SOFTWARE\\JavaSoft\\JDK");
    const RuntimeKeyFamily& zulu = familyOf("SOFTWARE\\Azul Systems\\Zulu", "zulu-");
    const RuntimeKeyFamily& semeruJre = familyOf("SOFTWARE\\Semeru\\JRE");
    EXPECT_TRUE(runtimeKeyFamilyApplies(classicJre, false, false));
    EXPECT_FALSE(runtimeKeyFamilyApplies(classicJre, true, true)) << "no kit behind a JRE key";
    EXPECT_FALSE(runtimeKeyFamilyApplies(jdk, false, false)) << "classic rules: the old keys only";
    EXPECT_TRUE(runtimeKeyFamilyApplies(jdk, true, true));
    EXPECT_TRUE(runtimeKeyFamilyApplies(zulu, true, true)) << "its home decides";
    EXPECT_FALSE(runtimeKeyFamilyApplies(semeruJre, true, true));

    size_t classic = 0;
    for (const RuntimeKeyFamily& family : runtimeKeyFamilies())
        classic += family.classic ? 1 : 0;
    EXPECT_EQ(classic, 2u) << "without the property the scan stays as it was";
}

TEST(RuntimeRegistry, SubKeyNamesAndHomeKeys) {
    const RuntimeKeyFamily& adoptium = familyOf("SOFTWARE\\Eclipse Adoptium\\JDK");
    const RuntimeKeyFamily& zulu = familyOf("SOFTWARE\\Azul Systems\\Zulu", "zulu-");
    const RuntimeKeyFamily& libericaJdk = familyOf("SOFTWARE\\BellSoft\\Liberica", "jdk-");
    std::string version = "kept";
    ASSERT_TRUE(registeredVersion(adoptium, "17.0.9.9", version));
    EXPECT_EQ(version, "17.0.9.9");
    ASSERT_TRUE(registeredVersion(zulu, "ZULU-17", version));
    EXPECT_EQ(version, "17");
    version = "kept";
    EXPECT_FALSE(registeredVersion(zulu, "zulu-", version));
    EXPECT_FALSE(registeredVersion(libericaJdk, "jre-17", version));
    EXPECT_FALSE(registeredVersion(adoptium, "", version));
    EXPECT_EQ(version, "kept");

    EXPECT_EQ(runtimeHomeKey(adoptium, "17.0.9.9"),
              "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI");
    EXPECT_EQ(runtimeHomeKey(zulu, "zulu-17"), "SOFTWARE\\Azul Systems\\Zulu\\zulu-17");
}

} // namespace
} // namespace lumen
