#include "launcher/expansion.h"

#include "core/expansion.h"
#include "core/property_store.h"
#include "os/env.h"
#include "os/paths.h"

namespace lumen {

void expandVariables(Launcher& launcher, std::string& text) {
    if (!lumen::expandVariables(text, launcher.paths.resolve(""), launcher.extractionDirectory,
                                os::environmentBlock(),
                                std::string(1, os::pathStyle().listSeparator)))
        launcher.log.error("expansion left placeholders unreplaced: the result would pass %d bytes",
                           static_cast<int>(kTextBufferSize - 1));
}

} // namespace lumen
