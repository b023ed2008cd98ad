// The figures the runtime provisioning shows while it works, kept apart
// from the I/O so that their edge cases are plain arithmetic.
//
// Contract: untarProgressPosition() maps the offset reached in the
// uncompressed archive to a bar position in 1..100: offset / expected size
// × 100, truncated; 0 shows as 1, and an unknown (zero or negative)
// expected size always shows 1; an archive larger than announced stops at
// 100 rather than running into the span that follows it.
// downloadFigures() gives the four values of the download's status text
// (MiB received, MiB announced, percent received, bytes per millisecond)
// and the bar position; the rate is 0 while no millisecond has passed.
// downloadRefreshDue() and nextReadSize() pace the download's loop.
#pragma once

#include <cstdint>

namespace lumen {

int untarProgressPosition(int64_t offset, int64_t expectedSize);

struct DownloadFigures {
    double receivedMegabytes = 0;
    double totalMegabytes = 0;
    double percent = 0;
    double kilobytesPerSecond = 0; // bytes per millisecond
    int position = 0;              // 0..100
};

DownloadFigures downloadFigures(uint32_t received, uint32_t length, unsigned long elapsedMs);

// Whether the download's status is due again: always before the first
// refresh, then once more than intervalMs have passed since the last one.
// Tick counts are 32-bit and wrap around; the difference is taken modulo
// 2^32.
bool downloadRefreshDue(bool refreshedBefore, unsigned long lastRefreshMs, unsigned long nowMs,
                        unsigned long intervalMs);

// The size of the download's reads. A read of the Internet library returns
// only when its buffer is full or the data has ended, so the read size is
// how long the transfer goes without looking at Cancel. Each size follows
// from how long the last full read took: twice as large after one that took
// less than half of kReadTargetMs, half as large after one that took
// longer than kReadTargetMs, otherwise the same; always within
// [kSmallestRead, kLargestRead]. At a steady pace a read thus lasts at most
// about kReadTargetMs; a fast transfer reaches kLargestRead in a few reads,
// which keeps the number of calls (each one costly under some systems) low.
constexpr uint32_t kFirstReadSize = 16 * 1024;
constexpr uint32_t kSmallestRead = 4 * 1024;
constexpr uint32_t kLargestRead = 1024 * 1024;
constexpr unsigned long kReadTargetMs = 50;

uint32_t nextReadSize(uint32_t lastSize, unsigned long lastReadMs);

} // namespace lumen
