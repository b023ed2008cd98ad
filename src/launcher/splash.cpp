#include "launcher/splash.h"

namespace lumen {
// Nothing is ever shown yet, so there is nothing to take down.
void hideSplash() {}
} // namespace lumen
