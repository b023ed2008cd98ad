#include "launcher/window_helpers.h"

#include <mutex>

#include "launcher/properties.h"
#include "os/window.h"

namespace lumen {
namespace {

constexpr int kWindowedLauncherType = 1;

// The lookup changes the console title for a moment: it happens once, even
// when the window-wait thread and the splash poll ask at the same time.
std::once_flag lookedUp;
void* console = nullptr;

} // namespace

void findConsoleWindow() {
    std::call_once(lookedUp, [] {
        if (getIntProperty(107) == kWindowedLauncherType) return;
        console = os::lookUpConsoleWindow();
    });
}

void* consoleWindow() {
    return console;
}

size_t countProcessWindows(unsigned long processId) {
    findConsoleWindow();
    return os::countVisibleWindows(processId, console);
}

void bringProcessToFront(unsigned long processId, bool restoreMinimised) {
    os::bringProcessToFront(processId, restoreMinimised);
}

} // namespace lumen
