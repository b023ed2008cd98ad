// The launcher without windows draws no splash screen: showSplash() starts
// nothing, and hideSplash() only keeps the flag, so that the error reports
// behave as on Windows.
#include "launcher/splash.h"

namespace lumen {

void showSplash(Launcher& /*launcher*/, int /*showCommand*/) {}

void hideSplash(Launcher& launcher) {
    launcher.splash.started.store(true, std::memory_order_release);
}

bool splashStarted(const Launcher& launcher) {
    return launcher.splash.started.load(std::memory_order_acquire);
}

} // namespace lumen
