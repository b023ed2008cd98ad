// Process entry of the Windows stubs: the GUI flavour enters at WinMain, the
// console flavour (LUMEN_CONSOLE_FLAVOUR) at main; both run the same launcher.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include "launcher/entry.h"

#ifdef LUMEN_CONSOLE_FLAVOUR
int main() {
    InitCommonControls();
    return lumen::launcherMain(GetCommandLineA(), GetModuleHandleA(nullptr), true);
}
#else
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    return lumen::launcherMain(GetCommandLineA(), instance, false);
}
#endif
