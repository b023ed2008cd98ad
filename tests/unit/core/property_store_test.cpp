#include "core/property_store.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(PropertyStore, IntegersReadTheLeadingNumber) {
    EXPECT_EQ(parseLeadingInt("5"), 5);
    EXPECT_EQ(parseLeadingInt(""), 0);
    EXPECT_EQ(parseLeadingInt(" 12abc"), 12);
    EXPECT_EQ(parseLeadingInt("\t-7"), -7);
    EXPECT_EQ(parseLeadingInt("+3"), 3);
    EXPECT_EQ(parseLeadingInt("abc"), 0);
    EXPECT_EQ(parseLeadingInt("- 3"), 0);
    EXPECT_EQ(parseLeadingInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(parseLeadingInt("-99999999999999999999"), INT32_MIN);
}

TEST(PropertyStore, ColoursFollowTheWindowsLayout) {
    EXPECT_EQ(parseColor("255,128,0"), 0x0080FFu);
    EXPECT_EQ(parseColor("0,0,0"), 0u);
    EXPECT_EQ(parseColor("1,,2,,3"), 0x030201u) << "runs of commas count as one";
    EXPECT_EQ(parseColor("0,256,0"), 0x010000u) << "green above 255 runs into blue";
    EXPECT_EQ(parseColor("300,0,511"), 0xFF002Cu) << "red and blue keep their low byte";
    EXPECT_EQ(parseColor("10"), 10u) << "missing components are 0";
    EXPECT_EQ(parseColor(""), 0u);
}

TEST(PropertyStore, LookupsCutToTheBufferAndNeverInsert) {
    PropertyStore store;
    store.setNarrow(2001, "installer");
    store.setWide(20013, u"Caption");
    char kind[2];
    EXPECT_EQ(store.getString(2001, kind, sizeof kind), 1u);
    EXPECT_STREQ(kind, "i");

    char buffer[16] = "garbage";
    EXPECT_EQ(store.getString(42, buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(store.getString(42, buffer, sizeof buffer), 0u);
    EXPECT_EQ(store.narrowCount(), 1u);
    EXPECT_EQ(store.getInt(42), 0);

    char16_t wide[4];
    EXPECT_EQ(store.getWide(20013, wide, 4), 3u);
    EXPECT_EQ(std::u16string(wide), u"Cap");
    EXPECT_EQ(store.wideCount(), 1u);
}

TEST(PropertyStore, TextsLongerThanTheLauncherBufferAreCut) {
    PropertyStore store;
    store.setNarrow(1, std::string(kTextBufferSize + 100, 'x'));
    EXPECT_EQ(store.string(1).size(), kTextBufferSize - 1);
    store.setNarrow(2, std::string(kTextBufferSize + 5, '7'));
    EXPECT_EQ(store.getInt(2), INT32_MAX);
}

} // namespace
} // namespace lumen
