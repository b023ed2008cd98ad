// Runtimes that the machine knows of: the JavaSoft registry keys of
// installed runtimes and development kits, weighed against the runtimes
// that users picked by hand.
//
// Contract: every candidate is finally tested with checkJavaExe() (pre-
// releases refused unless configured); nothing is shown to the user. Missing
// keys or values, and values that do not fit their buffers, count as not
// found where they occur.
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
