// Creating the JVM in this process and running the application.
//
// Contract: launchJvm() builds the launcher's system properties, the VM
// options and the argument list, creates the JVM through the entry point
// handed over by the loader (JNI 1.2, unrecognised options ignored), runs
// the first-run hook for installers, calls main of the fixed entry class
// and, when asked, destroys the JVM after main (which waits for the
// application's non-daemon threads). True when the application ran (or the
// first-run hook stopped it in an orderly way); false when the JVM could
// not be created or main ended with an exception. A missing entry class or
// method ends the process with messages 1010 / 1011 (1009 with 14 / 15 for
// the first-run hook). attachJvmThread/detachJvmThread serve other threads
// once the JVM exists.
#pragma once

#include <string>
#include <vector>

namespace lumen {

bool launchJvm(const std::vector<std::u16string>& arguments, bool destroyAfterMain);
// The launcher's own system properties, in their fixed order.
std::vector<std::string> launcherSystemProperties();
bool jvmCreated();
void* attachJvmThread();
void detachJvmThread();

} // namespace lumen
