#include "launcher/window_helpers.h"

#include "os/window.h"

namespace lumen {
namespace {

constexpr int kWindowedLauncherType = 1;

} // namespace

void findConsoleWindow(Launcher& launcher) {
    const std::lock_guard<os::Mutex> lock(launcher.console.mutex);
    if (launcher.console.lookedUp) return;
    launcher.console.lookedUp = true;
    if (launcher.properties.integer(Property::ExecutableType) == kWindowedLauncherType) return;
    launcher.console.window = os::lookUpConsoleWindow();
}

size_t countProcessWindows(Launcher& launcher, unsigned long processId) {
    findConsoleWindow(launcher);
    return os::countVisibleWindows(
        processId, {launcher.console.window, launcher.splash.window.load(std::memory_order_acquire),
                    launcher.progressDialog});
}

void bringProcessToFront(unsigned long processId, bool restoreMinimised) {
    os::bringProcessToFront(processId, restoreMinimised);
}

} // namespace lumen
