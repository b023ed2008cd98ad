// Runtimes that the machine knows of: the registry keys of installed
// runtimes and development kits, weighed against the runtimes that users
// picked by hand.
//
// Contract: every candidate is finally tested with checkJavaExe() (pre-
// releases refused unless configured); nothing is shown to the user. Missing
// keys or values, and values that do not fit their buffers, count as not
// found where they occur. The classic rules read the two JavaSoft keys of
// Java 8 and older under HKEY_LOCAL_MACHINE, "CurrentVersion" first, and
// take the first runtime that passes. With modern-runtimes every key family
// of core/runtime_registry.h is read, under HKEY_LOCAL_MACHINE and, where
// per-user installations write, HKEY_CURRENT_USER; each family's sub-keys
// are tried greatest registered version first, and of the runtimes that
// pass, one per family and root, the highest version wins (the first found
// on a tie). Either way the registry's runtime is taken over the located
// ones only when its version is greater.
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {

bool findInstalledJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                      std::string& path);
bool findRegistryJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                     std::string& path, std::string& version);
bool findCurrentVersionJvm(Launcher& launcher, const std::string& minimum,
                           const std::string& maximum, std::string& path, std::string& version);
bool findEnumeratedJvm(Launcher& launcher, const std::string& minimum, const std::string& maximum,
                       std::string& path, std::string& version, const std::string& key);

} // namespace lumen
