// The launcher's window helpers: its own windows counted without its
// console window, and a process's windows brought to the front.
//
// Contract: findConsoleWindow() looks the console window up at most once
// per launcher (a windowed launcher, property 107 = 1, never looks and has
// none); countProcessWindows() does that lookup first and never counts the
// console window. Both may be called from any thread.
#pragma once

#include <cstddef>

#include "launcher/launcher.h"

namespace lumen {

void findConsoleWindow(Launcher& launcher);
size_t countProcessWindows(Launcher& launcher, unsigned long processId);
void bringProcessToFront(unsigned long processId, bool restoreMinimised);

} // namespace lumen
