#include "core/window_math.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumen {
namespace {

TEST(CentredOrigin, SmallerWindowSitsInTheMiddleOfItsParent) {
    const ScreenPoint at = centredOrigin({100, 50, 740, 530}, {0, 0, 200, 100});
    EXPECT_EQ(at.x, 100 + 220);
    EXPECT_EQ(at.y, 50 + 190);
}

TEST(CentredOrigin, OnlyTheWindowSizeMatters) {
    const ScreenPoint a = centredOrigin({0, 0, 1024, 768}, {0, 0, 300, 200});
    const ScreenPoint b = centredOrigin({0, 0, 1024, 768}, {500, 400, 800, 600});
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
}

TEST(CentredOrigin, LargerWindowOverhangsEquallyWithNegativeOffset) {
    // Parent 100 x 60 at (10, 20); window 301 x 81: free space -201 x -21.
    const ScreenPoint at = centredOrigin({10, 20, 110, 80}, {0, 0, 301, 81});
    // Truncation toward zero: -201 / 2 = -100, -21 / 2 = -10.
    EXPECT_EQ(at.x, 10 - 100);
    EXPECT_EQ(at.y, 20 - 10);
}

TEST(CentredOrigin, ParentLeftOfTheScreenOrigin) {
    // A parent on a monitor left of the primary one.
    const ScreenPoint at = centredOrigin({-1280, -10, 0, 1014}, {0, 0, 400, 300});
    EXPECT_EQ(at.x, -1280 + 440);
    EXPECT_EQ(at.y, -10 + 362);
}

TEST(ProgressScale, FollowsTheRuntimeSource) {
    const ProgressScale none = progressScale(false, true); // the packed flag needs an archive
    EXPECT_EQ(none.max, 80);
    EXPECT_EQ(none.base, 0);
    const ProgressScale plain = progressScale(true, false);
    EXPECT_EQ(plain.max, 150);
    EXPECT_EQ(plain.base, 100);
    const ProgressScale packed = progressScale(true, true);
    EXPECT_EQ(packed.max, 250);
    EXPECT_EQ(packed.base, 200);
}

std::vector<int> barPositions(int base, int progressMax, int passes) {
    std::vector<int> shown;
    int position = base;
    for (int pass = 1; pass <= passes; ++pass)
        if (advanceWindowWait(pass, progressMax, position)) shown.push_back(position);
    return shown;
}

TEST(WindowWait, RangeOf150FromBase100ShowsOnly120ThenStaysAt140) {
    EXPECT_EQ(barPositions(100, 150, 20), (std::vector<int>{120, 140, 140, 140}));
}

TEST(WindowWait, OnlyEveryFifthPassSetsTheBar) {
    int position = 0;
    for (int pass = 1; pass <= 4; ++pass)
        EXPECT_FALSE(advanceWindowWait(pass, 80, position));
    EXPECT_EQ(position, 0);
    EXPECT_TRUE(advanceWindowWait(5, 80, position));
    EXPECT_EQ(position, 20);
}

TEST(WindowWait, EachScaleClimbsToTenBelowItsMaximum) {
    // No archive: 0..80; a packed archive: 0..250 from 200.
    EXPECT_EQ(barPositions(0, 80, 25), (std::vector<int>{20, 40, 60, 70, 70}));
    EXPECT_EQ(barPositions(200, 250, 15), (std::vector<int>{220, 240, 240}));
}

TEST(WindowWait, FullWaitStaysCappedAndCountsOneHundredAndTwentySteps) {
    const std::vector<int> shown = barPositions(100, 150, kWindowWaitPasses);
    EXPECT_EQ(shown.size(), static_cast<size_t>(kWindowWaitPasses / kWindowWaitStepEvery));
    EXPECT_EQ(shown.back(), 140);
}

} // namespace
} // namespace lumen
