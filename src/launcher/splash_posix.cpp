// The launcher without windows draws no splash screen: showSplash() starts
// nothing, and hideSplash() only keeps the flag, so that the error reports
// behave as on Windows.
#include <atomic>

#include "launcher/splash.h"

namespace lumen {
namespace {

std::atomic<bool> started{false};

} // namespace

void showSplash(int /*showCommand*/) {}

void hideSplash() {
    started.store(true, std::memory_order_release);
}

void setSplashStatusText(const std::u16string& /*text*/) {}

bool splashStarted() {
    return started.load(std::memory_order_acquire);
}

} // namespace lumen
