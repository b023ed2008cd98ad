// Arithmetic of the launcher's own windows: where a centred dialog goes and
// how far the window-wait thread moves the progress bar.
//
// Contract: pure functions over values; the Win32 layer feeds them the
// rectangles it read and applies what they return.
#pragma once

namespace lumen {

struct ScreenRect {
    long left;
    long top;
    long right;
    long bottom;
};

struct ScreenPoint {
    long x;
    long y;
};

// The top-left corner that centres `window` (its size only matters) on
// `parent`. A window larger than its parent gets a negative offset, so that
// it overhangs the parent equally on both sides; halves truncate toward zero.
ScreenPoint centredOrigin(const ScreenRect& parent, const ScreenRect& window);

// The window-wait thread: up to kWindowWaitPasses passes of
// kWindowWaitIntervalMs each while the application shows no window; every
// kWindowWaitStepEvery-th pass the position grows by kWindowWaitStep, capped
// at progressMax - kWindowWaitHeadroom.
constexpr int kWindowWaitPasses = 600;
constexpr unsigned long kWindowWaitIntervalMs = 100;
constexpr int kWindowWaitStepEvery = 5;
constexpr int kWindowWaitStep = 20;
constexpr int kWindowWaitHeadroom = 10;

// The bar's scale once the runtime's source is known: its upper bound, and
// the position from which the window-wait thread counts on. A shipped
// runtime archive takes positions up to 100 while it is unpacked (and up to
// 200 while a packed one is expanded) before the wait begins.
struct ProgressScale {
    int max;
    int base;
};
ProgressScale progressScale(bool runtimeShipped, bool packedRuntime);

// Applies pass number `pass` (counted from 1) to `position`; returns true
// when this pass sets the bar (position then holds the value to show).
bool advanceWindowWait(int pass, int progressMax, int& position);

} // namespace lumen
