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
// when another process owns the foreground. setSplashStatusText() is for
// the splash thread's poll; texts are drawn narrow (ANSI code page, "?"
// for characters it cannot carry) and cut to kTextBufferSize - 1 bytes.
// One splash screen per process; the launcher without windows (POSIX)
// draws none and only keeps the flag.
#pragma once

#include <string>

namespace lumen {

// `showCommand` is the window show command the executable was started
// with (SW_SHOWNORMAL and so on).
void showSplash(int showCommand);
void hideSplash();
void setSplashStatusText(const std::u16string& text);
// Whether a splash window was created or hideSplash() ran: once true, no
// splash window appears any more.
bool splashStarted();

// The status line as the window draws a text from the Java side.
std::string splashStatusFromWide(const std::u16string& text);

// Actions answered by LumenController.getAction().
constexpr int kSplashActionClose = 1;
constexpr int kSplashActionSetText = 2;
constexpr unsigned kSplashPollMs = 100;

} // namespace lumen
