// Environment and working directory.
#pragma once

#include <string>

namespace lumen::os {

// False when the variable is not defined.
bool getEnv(const std::string& name, std::string& value);
// Sets the variable in the process environment and in the runtime library's
// own copy of it, so that both agree.
void setEnv(const std::string& name, const std::string& value);
bool setCurrentDirectory(const std::string& path);

} // namespace lumen::os
