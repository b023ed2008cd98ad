// The splash screen: a borderless window with a bitmap (resource 10000 of
// the executable), a status line and a version line, run by a thread of its
// own that polls the Java side (com/lumen/runtime/LumenController) every
// 100 ms once the JVM exists.
//
// Contract: showSplash() starts the splash thread and returns at once; the
// thread shows no window when hideSplash() ran first. hideSplash() may be
// called from any thread at any time: before the window exists it blocks
// every later splash window of the process, afterwards it hides the window
// for good (the thread then ends) and brings this process's windows to the
// front when another process owns the foreground. suspendSplash() hides the
// window while another window of the launcher (the runtime-not-found
// dialog, the download's progress) is up, and resumeSplash() shows it again
// unless hideSplash() ran meanwhile; while suspended the poll leaves the
// Java side and the window count alone. Status texts from the Java side are
// drawn narrow (ANSI code page, "?" for characters it cannot carry) and cut
// to kTextBufferSize - 1 bytes; setSplashStartupText() shows one of the
// start-up's own texts until the Java side has set one.
//
// The polling thread attaches to the JVM as a daemon thread, so that
// DestroyJavaVM never waits for it: a splash that the application never
// closes stays up until the process ends. Once the launcher is about to
// destroy the JVM (JvmState::ending) the poll makes no more JNI calls.
//
// The launcher without windows (POSIX) draws none of its own: showSplash()
// starts nothing and hideSplash() only keeps the flag. There
// showRuntimeSplash() hands the unpacked splash picture to the runtime's own
// splash screen (what `java -splash:` does) before the JVM is created, and
// the Java side draws the text lines on it; on Windows it does nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/property_catalogue.h"
#include "launcher/launcher.h"

namespace lumen {

// `showCommand` is the window show command the executable was started
// with (SW_SHOWNORMAL and so on).
void showSplash(Launcher& launcher, int showCommand);
void hideSplash(Launcher& launcher);
// Whether a splash window was created or hideSplash() ran: once true, no
// splash window appears any more.
bool splashStarted(const Launcher& launcher);
// Waits until splashStarted() or the time is up; true when started.
bool waitForSplash(const Launcher& launcher, unsigned milliseconds);

void suspendSplash(Launcher& launcher);
void resumeSplash(Launcher& launcher);

// Suspends the splash screen for its own lifetime.
class SplashSuspension {
  public:
    explicit SplashSuspension(Launcher& launcher) : launcher_(launcher) {
        suspendSplash(launcher_);
    }
    ~SplashSuspension() { resumeSplash(launcher_); }
    SplashSuspension(const SplashSuspension&) = delete;
    SplashSuspension& operator=(const SplashSuspension&) = delete;

  private:
    Launcher& launcher_;
};

// The wide text `text` (a UiSplash... property) in the status line, when a
// splash screen is up and the Java side has not set a text yet; an absent
// text changes nothing. Logged as "Splash status: ...".
void setSplashStartupText(Launcher& launcher, Property text);

// See above: the runtime's own splash screen where the launcher draws none.
void showRuntimeSplash(Launcher& launcher);
// Once the runtime's splash screen is up: the system properties (name,
// value) that tell the Java side where and how to draw the status and
// version lines, "x;y;points;weight;r,g,b;face;text" each; none otherwise.
std::vector<std::pair<std::string, std::string>> runtimeSplashProperties(const Launcher& launcher);

// The status line as the window draws a text from the Java side.
std::string splashStatusFromWide(const std::u16string& text);

// Actions answered by LumenController.getAction() (its ACTION_CLOSE and
// ACTION_SET_TEXT).
constexpr int kSplashActionClose = 1;
constexpr int kSplashActionSetText = 2;
constexpr unsigned kSplashPollMs = 100;

} // namespace lumen
