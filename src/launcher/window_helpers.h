// The launcher's window helpers: the application's windows counted without
// the launcher's own, and a process's windows brought to the front.
//
// Contract: findConsoleWindow() looks the console window up at most once
// per launcher (a windowed launcher, property 107 = 1, never looks and has
// none); countProcessWindows() does that lookup first and never counts the
// launcher's own windows: the console window, the splash window and the
// progress dialog, so that what it counts are the application's. Both may
// be called from any thread.
#pragma once

#include <cstddef>

#include "launcher/launcher.h"

namespace lumen {

void findConsoleWindow(Launcher& launcher);
size_t countProcessWindows(Launcher& launcher, unsigned long processId);
void bringProcessToFront(unsigned long processId, bool restoreMinimised);

} // namespace lumen
