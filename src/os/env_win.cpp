#include "os/env.h"

#include <cstdlib>
#include <vector>
#include <windows.h>

namespace lumen::os {

bool getEnv(const std::string& name, std::string& value) {
    const DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) {
        value.clear();
        return false;
    }
    std::vector<char> buffer(needed);
    const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), needed);
    value.assign(buffer.data(), length < needed ? length : 0);
    return true;
}

void setEnv(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
    const std::string assignment = name + "=" + value;
    _putenv(assignment.c_str());
}

bool setCurrentDirectory(const std::string& path) {
    return SetCurrentDirectoryA(path.c_str()) != 0;
}

} // namespace lumen::os
