#include "launcher/startup.h"

#include "launcher/errors.h"
#include "launcher/log.h"
#include "os/ui.h"

namespace lumen {
namespace {
[[noreturn]] void notAvailable(const char* what) {
    logError("%s is not available in this launcher build", what);
    if (!errorBoxesOn())
        os::writeStandardError(std::string(what) + " is not available in this launcher build\n");
    exitWithCleanup(1);
}
} // namespace

void runStartup(void*) { notAvailable("The start-up sequence"); }
void runDialogMode() { notAvailable("The dialog start-up"); }

} // namespace lumen
