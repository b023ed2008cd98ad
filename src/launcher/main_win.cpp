// Process entry of the Windows stubs: the GUI flavour enters at WinMain, the
// console flavour (LUMEN_CONSOLE_FLAVOUR) at main; both run the same launcher.
#include <windows.h>

#include "launcher/entry.h"

namespace {

// The run's context lives as long as the process: threads of the run may
// still use it while the runtime library ends the process after main.
lumen::Launcher& processLauncher() {
    return *new lumen::Launcher(); // NOLINT(cppcoreguidelines-owning-memory)
}

} // namespace

// The common controls are registered by the dialogs that use them
// (os::loadCommonControls), so a quiet start never loads their library.
#ifdef LUMEN_CONSOLE_FLAVOUR
int main() {
    return lumen::launcherMain(processLauncher(), GetCommandLineA(), GetModuleHandleA(nullptr),
                               true);
}
#else
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    lumen::Launcher& launcher = processLauncher();
    launcher.state.showCommand = showCommand;
    return lumen::launcherMain(launcher, GetCommandLineA(), instance, false);
}
#endif
