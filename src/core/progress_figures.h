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

} // namespace lumen
