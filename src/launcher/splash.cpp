// The part of the splash screen that both platforms share.
#include "launcher/splash.h"

#include "core/property_store.h"
#include "os/text.h"

namespace lumen {

std::string splashStatusFromWide(const std::u16string& text) {
    std::string narrow = os::ansiFromWide(text);
    if (narrow.size() > kTextBufferSize - 1) narrow.resize(kTextBufferSize - 1);
    return narrow;
}

} // namespace lumen
