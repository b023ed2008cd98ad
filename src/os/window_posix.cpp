#include "os/window.h"

namespace lumen::os {

// The POSIX launcher has no windows of its own and counts none of the
// application's: the window-wait and splash parts never run there, and a
// later instance has nothing to bring to the front.
size_t countVisibleWindows(unsigned long /*processId*/, Window /*excluded*/) {
    return 0;
}

void bringProcessToFront(unsigned long /*processId*/, bool /*restoreMinimised*/) {}

Window lookUpConsoleWindow() {
    return nullptr;
}

} // namespace lumen::os

namespace lumen::os {

void setProgressRange(Window /*dialog*/, int /*id*/, int /*maximum*/) {}
void setProgressPosition(Window /*dialog*/, int /*id*/, int /*position*/) {}

} // namespace lumen::os
