#include "core/progress_figures.h"

namespace lumen {
namespace {

constexpr double kMegabyte = 1048576.0;

} // namespace

int untarProgressPosition(int64_t offset, int64_t expectedSize) {
    if (expectedSize <= 0 || offset <= 0) return 1;
    const double share = static_cast<double>(offset) / static_cast<double>(expectedSize) * 100.0;
    if (share >= 100.0) return 100;
    const int position = static_cast<int>(share);
    return position < 1 ? 1 : position;
}

DownloadFigures downloadFigures(uint32_t received, uint32_t length, unsigned long elapsedMs) {
    DownloadFigures figures;
    figures.receivedMegabytes = received / kMegabyte;
    figures.totalMegabytes = length / kMegabyte;
    if (length != 0) {
        figures.percent = received * 100.0 / length;
        const double share = static_cast<double>(received) / length * 100.0;
        figures.position = share >= 100.0 ? 100 : static_cast<int>(share);
    }
    if (elapsedMs != 0) figures.kilobytesPerSecond = static_cast<double>(received) / elapsedMs;
    return figures;
}

bool downloadRefreshDue(bool refreshedBefore, unsigned long lastRefreshMs, unsigned long nowMs,
                        unsigned long intervalMs) {
    // Windows tick counts are 32 bits wide, whatever unsigned long is here.
    return !refreshedBefore || static_cast<uint32_t>(nowMs - lastRefreshMs) > intervalMs;
}

uint32_t nextReadSize(uint32_t lastSize, unsigned long lastReadMs) {
    uint32_t size = lastSize;
    if (lastReadMs < kReadTargetMs / 2)
        size = lastSize > kLargestRead / 2 ? kLargestRead : lastSize * 2;
    else if (lastReadMs > kReadTargetMs)
        size = lastSize / 2;
    if (size < kSmallestRead) return kSmallestRead;
    return size > kLargestRead ? kLargestRead : size;
}

} // namespace lumen
