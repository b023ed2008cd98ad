// The part of the splash screen that both platforms share.
#include "launcher/splash.h"

#include "core/property_store.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen {
namespace {

constexpr unsigned kSplashWaitStepMs = 10;

} // namespace

bool splashStarted(const Launcher& launcher) {
    return launcher.splash.started.load(std::memory_order_acquire);
}

bool waitForSplash(const Launcher& launcher, unsigned milliseconds) {
    for (unsigned waited = 0; !splashStarted(launcher); waited += kSplashWaitStepMs) {
        if (waited >= milliseconds) return false;
        os::sleepMs(kSplashWaitStepMs);
    }
    return true;
}

std::string splashStatusFromWide(const std::u16string& text) {
    std::string narrow = os::ansiFromWide(text);
    if (narrow.size() > kTextBufferSize - 1) narrow.resize(kTextBufferSize - 1);
    return narrow;
}

} // namespace lumen
