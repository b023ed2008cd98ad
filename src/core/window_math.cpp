#include "core/window_math.h"

namespace lumen {

ScreenPoint centredOrigin(const ScreenRect& parent, const ScreenRect& window) {
    const long freeWidth = (parent.right - parent.left) - (window.right - window.left);
    const long freeHeight = (parent.bottom - parent.top) - (window.bottom - window.top);
    // C++ division truncates toward zero, as the placement rule asks.
    return ScreenPoint{parent.left + freeWidth / 2, parent.top + freeHeight / 2};
}

ProgressScale progressScale(bool runtimeShipped, bool packedRuntime) {
    if (!runtimeShipped) return {80, 0};
    return packedRuntime ? ProgressScale{250, 200} : ProgressScale{150, 100};
}

bool advanceWindowWait(int pass, int progressMax, int& position) {
    if (pass <= 0 || pass % kWindowWaitStepEvery != 0) return false;
    position += kWindowWaitStep;
    const int cap = progressMax - kWindowWaitHeadroom;
    if (position > cap) position = cap;
    return true;
}

} // namespace lumen
