#include "launcher/single_instance.h"

#include <algorithm>

#include "launcher/paths.h"

namespace lumen {

const std::string& instanceSemaphoreName() {
    static const std::string name = [] {
        std::string text = moduleFileName();
        std::replace(text.begin(), text.end(), '\\', '_');
        return text;
    }();
    return name;
}

// No semaphore or process record yet: every process is the first one.
void ensureSingleInstance(bool, bool) {}

} // namespace lumen
