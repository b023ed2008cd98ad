#include "core/progress_figures.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(UntarProgress, ScalesTheOffsetToOneToHundred) {
    EXPECT_EQ(untarProgressPosition(0, 1000), 1) << "0 shows as 1";
    EXPECT_EQ(untarProgressPosition(9, 1000), 1);
    EXPECT_EQ(untarProgressPosition(999, 1000), 99) << "truncated, not rounded";
    EXPECT_EQ(untarProgressPosition(1000, 1000), 100);
    EXPECT_EQ(untarProgressPosition(5000, 1000), 100) << "never into the next span";
}

TEST(UntarProgress, UnknownExpectedSizeAlwaysShowsOne) {
    EXPECT_EQ(untarProgressPosition(123456, 0), 1);
    EXPECT_EQ(untarProgressPosition(123456, -5), 1);
    EXPECT_EQ(untarProgressPosition(-1, 1000), 1) << "an offset the stream could not tell";
}

TEST(DownloadProgress, FourValuesAndThePosition) {
    const DownloadFigures figures = downloadFigures(3 * 1048576u, 12 * 1048576u, 1500);
    EXPECT_DOUBLE_EQ(figures.receivedMegabytes, 3.0);
    EXPECT_DOUBLE_EQ(figures.totalMegabytes, 12.0);
    EXPECT_DOUBLE_EQ(figures.percent, 25.0);
    EXPECT_DOUBLE_EQ(figures.kilobytesPerSecond, 3 * 1048576.0 / 1500);
    EXPECT_EQ(figures.position, 25);
}

TEST(DownloadProgress, RateIsZeroBeforeTheFirstMillisecond) {
    const DownloadFigures figures = downloadFigures(16384, 100000, 0);
    EXPECT_EQ(figures.kilobytesPerSecond, 0.0);
    EXPECT_EQ(figures.position, 16);
}

TEST(DownloadProgress, LargeLengthsDoNotOverflow) {
    const DownloadFigures figures = downloadFigures(0xFFFFFFF0u, 0xFFFFFFFFu, 1);
    EXPECT_EQ(figures.position, 99);
    EXPECT_GT(figures.percent, 99.9);
    EXPECT_DOUBLE_EQ(downloadFigures(7, 0, 10).percent, 0.0) << "no division by an empty length";
}

} // namespace
} // namespace lumen
