// The launcher's window helpers: its own windows counted without its
// console window, and a process's windows brought to the front.
//
// Contract: findConsoleWindow() looks the console window up at most once
// per process (a windowed launcher, property 107 = 1, never looks and has
// none); countProcessWindows() does that lookup first and never counts the
// console window. Both may be called from any thread.
#pragma once

#include <cstddef>

namespace lumen {

void findConsoleWindow();
void* consoleWindow(); // null when there is none or before the lookup
size_t countProcessWindows(unsigned long processId);
void bringProcessToFront(unsigned long processId, bool restoreMinimised);

} // namespace lumen
