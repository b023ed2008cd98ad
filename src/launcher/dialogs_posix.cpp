// The dialog mode where there are no windows (the POSIX launcher): the
// start-up runs on the main thread without a progress dialog, nobody is
// asked a question, and a missing runtime is reported with its message.
#include "launcher/dialogs.h"

#include "launcher/errors.h"
#include "launcher/log.h"
#include "launcher/startup.h"
#include "os/system.h"

namespace lumen {

void runDialogMode() {
    runStartup(nullptr, true);
    os::exitProcess(0);
}

// Without a progress dialog the start-up never asks for these; should it
// ever, the missing runtime is reported as such.
int showRuntimeDialog(void* /*owner*/, bool /*downloadOffered*/) {
    fatalMessage(1001);
}

bool locateJavaExe(void* /*owner*/) {
    return false;
}

void startWindowWaitThread(void* /*dialog*/, int /*progressBase*/, int /*progressMax*/) {}

bool askForManualSelection() {
    return false;
}

} // namespace lumen
