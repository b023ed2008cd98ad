#include "launcher/errors.h"
#include "launcher/log.h"
#include "launcher/startup.h"
#include "os/ui.h"

namespace lumen {

void runDialogMode() {
    logError("The dialog start-up is not available in this launcher build");
    if (!errorBoxesOn())
        os::writeStandardError("The dialog start-up is not available in this launcher build\n");
    exitWithCleanup(1);
}

} // namespace lumen
