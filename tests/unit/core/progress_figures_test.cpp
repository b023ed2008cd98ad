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

TEST(DownloadProgress, RefreshComesFirstThenOnlyAfterTheInterval) {
    struct Case {
        bool before;
        unsigned long last, now;
        bool due;
    } cases[] = {
        {false, 0, 0, true},               // the first read always shows
        {true, 1000, 1500, false},         // exactly the interval: not yet
        {true, 1000, 1501, true},          //
        {true, 1000, 1000, false},         //
        {true, 0xFFFFFF00ul, 0xF4, false}, // across the wrap: 500 ms
        {true, 0xFFFFFF00ul, 0xF5, true},  // across the wrap: 501 ms
    };
    for (const Case& c : cases)
        EXPECT_EQ(downloadRefreshDue(c.before, c.last, c.now, 500), c.due)
            << c.last << " " << c.now;
}

TEST(DownloadPacing, ReadSizeFollowsHowLongTheLastReadTook) {
    struct Case {
        uint32_t last;
        unsigned long ms;
        uint32_t next;
    } cases[] = {
        {kFirstReadSize, 0, 2 * kFirstReadSize}, // fast: doubles
        {kFirstReadSize, kReadTargetMs / 2 - 1, 2 * kFirstReadSize},
        {kFirstReadSize, kReadTargetMs / 2, kFirstReadSize}, // on target: stays
        {kFirstReadSize, kReadTargetMs, kFirstReadSize},
        {kFirstReadSize, kReadTargetMs + 1, kFirstReadSize / 2}, // slow: halves
        {kLargestRead, 0, kLargestRead},                         // never above the largest
        {kLargestRead - 1, 0, kLargestRead},
        {kSmallestRead, 30000, kSmallestRead}, // never below the smallest
        {kSmallestRead + 1, 1000, kSmallestRead},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextReadSize(c.last, c.ms), c.next) << c.last << " after " << c.ms << " ms";
}

TEST(DownloadPacing, ReadsReachTheLargestSizeQuicklyAndComeBackWhenThePaceDrops) {
    // At loopback speed every read takes no measurable time.
    uint32_t size = kFirstReadSize;
    int reads = 0;
    for (; size < kLargestRead; ++reads)
        size = nextReadSize(size, 0);
    EXPECT_LE(reads, 7);
    // Then the pace falls to 100 KB/s: each read lasts size / 100 ms until
    // a read fits the target again.
    for (int i = 0; i < 20; ++i)
        size = nextReadSize(size, size / 100);
    EXPECT_LE(size / 100, kReadTargetMs) << size;
    EXPECT_GE(size, kSmallestRead);
}

} // namespace
} // namespace lumen
