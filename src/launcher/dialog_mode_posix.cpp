#include "launcher/startup.h"

namespace lumen {

// Without windows there is nothing to show beside the start-up and nobody
// to ask after an unfinished earlier start: the sequence runs as in a quiet
// start, except that a missing runtime is reported with its message.
void runDialogMode() {
    runStartup(nullptr, true);
}

} // namespace lumen
