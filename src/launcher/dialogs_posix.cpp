// The dialog mode where there are no windows (the POSIX launcher): the
// start-up runs on the main thread without a progress dialog, nobody is
// asked a question, and a missing runtime is reported with its message.
#include "launcher/dialogs.h"

#include "launcher/startup.h"

namespace lumen {

Failure runDialogMode(Launcher& launcher) {
    const Outcome started = runStartup(launcher, nullptr, true);
    return started ? Failure::exit(0, false) : started.failure();
}

// Without a progress dialog the start-up never asks for these; should it
// ever, the missing runtime is reported as such.
Result<RuntimeChoice> showRuntimeDialog(Launcher& /*launcher*/, void* /*owner*/,
                                        bool /*downloadOffered*/) {
    return Failure::configured(Property::MessageNoRuntime);
}

Result<bool> locateJavaExe(Launcher& /*launcher*/, void* /*owner*/) {
    return false;
}

void revealProgressDialog(void* /*dialog*/, bool /*shown*/) {}

void startWindowWaitThread(Launcher& /*launcher*/, void* /*dialog*/, int /*progressBase*/,
                           int /*progressMax*/) {}

bool askForManualSelection(Launcher& /*launcher*/) {
    return false;
}

} // namespace lumen
