// Restoring the pack200-compressed jars of a runtime with its own
// unpack200.exe.
//
// Contract: unpackRuntime() acts only when "lib\rt.jar.pack" exists and
// "lib\jsse.jar" (the last jar restored) does not; it restores the fixed
// list of jars in order, one tool run after another, skipping jars whose
// packed file is gone. A tool that cannot be started fails with message
// 1009, code 20.
#pragma once

#include <string>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

[[nodiscard]] Outcome unpackRuntime(Launcher& launcher, const std::string& runtimeDirectory);
// jar names a file of the runtime's lib directory ("rt.jar", "ext/x.jar").
[[nodiscard]] Outcome unpackJar(Launcher& launcher, const std::string& runtimeDirectory,
                                const std::string& jar);

} // namespace lumen
