#include "launcher/expansion.h"

#include "core/expansion.h"
#include "core/property_store.h"
#include "launcher/included_files.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "os/env.h"
#include "os/paths.h"

namespace lumen {

void expandVariables(std::string& text) {
    const std::string launcherDir = resolveAgainstExeDir("");
    if (!lumen::expandVariables(text, launcherDir, extractionDirectory(), os::environmentBlock(),
                                std::string(1, os::pathStyle().listSeparator)))
        logError("expansion left placeholders unreplaced: the result would pass %d bytes",
                 static_cast<int>(kTextBufferSize - 1));
}

} // namespace lumen
