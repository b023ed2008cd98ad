#include "core/text_format.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(TextFormat, AppliesTheConversionsConfiguredTextsUse) {
    EXPECT_EQ(formatConfiguredText(u"Needs Java %S to %S.", {u"1.8", u"-"}),
              u"Needs Java 1.8 to -.");
    EXPECT_EQ(formatConfiguredText(u"%s|%S", {u"a", u"\u00e9"}), u"a|\u00e9");
    EXPECT_EQ(
        formatConfiguredText(u"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s", {1.5, 100.0, 1.5, 0.0}),
        u"1.50 MB of 100.00 MB (1.5%) at 0.0 kb/s");
    EXPECT_EQ(formatConfiguredText(u"%.0f/%.10f", {2.5, 1.0}), u"2/1.0000000000");
}

TEST(TextFormat, CopiesWhatItDoesNotUnderstandAndNeverPassesItsArguments) {
    // A vendor's stray conversions stay as text: no argument is read for
    // them and nothing is written through "%n".
    EXPECT_EQ(formatConfiguredText(u"100%n done %d %x %p %", {}), u"100%n done %d %x %p %");
    EXPECT_EQ(formatConfiguredText(u"%S %S %S", {u"one"}), u"one %S %S");
    // The wrong kind of argument leaves the conversion as text and the
    // argument for the next one.
    EXPECT_EQ(formatConfiguredText(u"%.1f %S", {u"x"}), u"%.1f x");
    EXPECT_EQ(formatConfiguredText(u"%S %.1f", {2.0, 3.0}), u"%S 2.0");
    EXPECT_EQ(formatConfiguredText(u"%.f %.123f %f", {1.0}), u"%.f %.123f %f");
    EXPECT_EQ(formatConfiguredText(u"%%S", {u"x"}), u"%S");
}

TEST(TextFormat, HugeAndNonFiniteNumbersStayBounded) {
    EXPECT_EQ(formatConfiguredText(u"%.1f", {1.0 / 0.0}), u"0.0");
    EXPECT_EQ(formatConfiguredText(u"%.99f", {1e308}).size(), 309u + 1 + 99);
}

} // namespace
} // namespace lumen
