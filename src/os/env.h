// Environment and working directory.
#pragma once

#include <string>
#include <vector>

namespace lumen::os {

// False when the variable is not defined.
bool getEnv(const std::string& name, std::string& value);
// Sets the variable in the process environment and in the runtime library's
// own copy of it, so that both agree.
void setEnv(const std::string& name, const std::string& value);
bool setCurrentDirectory(const std::string& path);
bool currentDirectory(std::string& out);

// The process environment as "NAME=VALUE" entries, in the block's order.
std::vector<std::string> environmentBlock();

// The process's command line as UTF-16 text (the program name included).
std::u16string commandLineWide();

} // namespace lumen::os
