// The splash screen: a borderless window with a bitmap (resource 10000 of
// the executable), a status line and a version line, run by a thread of its
// own that polls the Java side (com/lumen/runtime/LumenController) every
// 100 ms once the JVM exists.
//
// Contract: showSplash() starts the splash thread and returns at once; the
// thread shows no window when hideSplash() ran first. hideSplash() may be
// called from any thread at any time: before the window exists it blocks
// every later splash window of the process, afterwards it hides the window
// (the thread then ends) and brings this process's windows to the front
// when another process owns the foreground. Status texts from the Java side
// are drawn narrow (ANSI code page, "?" for characters it cannot carry)
// and cut to kTextBufferSize - 1 bytes. One splash screen per launcher;
// the launcher without windows (POSIX) draws none and only keeps the flag.
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {

// `showCommand` is the window show command the executable was started
// with (SW_SHOWNORMAL and so on).
void showSplash(Launcher& launcher, int showCommand);
void hideSplash(Launcher& launcher);
// Whether a splash window was created or hideSplash() ran: once true, no
// splash window appears any more.
bool splashStarted(const Launcher& launcher);

// The status line as the window draws a text from the Java side.
std::string splashStatusFromWide(const std::u16string& text);

// Actions answered by LumenController.getAction() (its ACTION_CLOSE and
// ACTION_SET_TEXT).
constexpr int kSplashActionClose = 1;
constexpr int kSplashActionSetText = 2;
constexpr unsigned kSplashPollMs = 100;

} // namespace lumen
