#include "launcher/single_instance.h"

namespace lumen {
// No semaphore or process record yet: every process is the first one.
void ensureSingleInstance(bool, bool) {}
} // namespace lumen
