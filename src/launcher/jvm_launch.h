// Creating the JVM in this process and running the application.
//
// Contract: launchJvm() builds the entry class's arguments, the launcher's
// system properties and the VM options (ending with sun.java.command: the
// main class and the application's arguments), creates the JVM through the
// entry point the loader kept (JNI 1.2, unrecognised options ignored), runs
// the first-run hook for installers, has the fixed entry class prepare the
// run (WinLauncher.prepare, which hands back the application's main class)
// and calls the application's main itself (an entry class without prepare
// is called through its own main) and, when asked, destroys the JVM after
// main (which waits for the application's non-daemon threads). It answers
// true when the application ran (or the first-run hook stopped it in an
// orderly way) and false when the JVM could not be created or the entry
// class could not hand over. It fails on a missing entry class or method
// (messages 1010 / 1011; 1009 with 14 / 15 for the first-run hook), on
// failures of the option or argument list, and when an exception ends
// main: the JVM has printed it, its class is logged, and the failure is
// message 30010 (1005 for a block without that message).
// attachJvmThread/detachJvmThread serve other threads once the JVM exists;
// they attach as daemon threads, which DestroyJavaVM does not wait for.
#pragma once

#include <string>
#include <vector>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

[[nodiscard]] Result<bool>
launchJvm(Launcher& launcher, const std::vector<std::u16string>& arguments, bool destroyAfterMain);
// The launcher's own system properties, in their fixed order.
std::vector<std::string> launcherSystemProperties(const Launcher& launcher);
bool jvmCreated(const Launcher& launcher);
// The calling thread's JNIEnv (attached as a daemon thread), or null before
// the JVM exists or when the thread cannot attach.
void* attachJvmThread(Launcher& launcher);
void detachJvmThread(const Launcher& launcher);

} // namespace lumen
