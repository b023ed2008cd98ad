// One running instance per executable.
//
// Contract: instanceSemaphoreName() is the executable's module path with
// every backslash turned into "_" (also handed to the Java side).
// ensureSingleInstance() returns in the first process of an executable,
// which records its process id under HKCU "SOFTWARE\nordquill\lumen\pids\"
// (value name: the module path); in a later process it brings the first
// one's windows to the front, hands its command tail over when asked (the
// file processFileName(first pid), UTF-16LE without byte-order mark, ending
// in one line feed unit) and answers AnotherRuns: the caller then ends with
// exit code 0 before anything is unpacked. checkProperty lets property 10005 = 0 switch the check
// off. The claim is the instance semaphore (Windows) or lock file (POSIX) of os::claimInstance; one
// that cannot be made counts as a first process.
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {
enum class InstanceCheck { First, AnotherRuns };

std::string instanceSemaphoreName(const Launcher& launcher);
[[nodiscard]] InstanceCheck ensureSingleInstance(Launcher& launcher, bool checkProperty,
                                                 bool handOver);
// 0 when the record is missing or not a 32-bit value.
unsigned long readProcessRecord(const Launcher& launcher);
void writeProcessRecord(const Launcher& launcher, unsigned long processId);
// The hand-over of a later process: waits up to 200 x 50 ms while the file
// for pid exists, then writes tail and one line feed as UTF-16LE (no
// byte-order mark). A file that cannot be opened is skipped silently.
void writeHandOverFile(unsigned long pid, const std::u16string& tail);
} // namespace lumen
