#include "os/env.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
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

namespace lumen::os {

bool currentDirectory(std::string& out) {
    std::vector<char> buffer(8192);
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return false;
    out.assign(buffer.data(), length);
    return true;
}

std::vector<std::string> environmentBlock() {
    std::vector<std::string> entries;
    LPCH block = GetEnvironmentStringsA();
    if (block == nullptr) return entries;
    for (const char* entry = block; *entry != '\0'; entry += std::strlen(entry) + 1)
        entries.emplace_back(entry);
    FreeEnvironmentStringsA(block);
    return entries;
}

std::u16string commandLineWide() {
    const wchar_t* line = GetCommandLineW();
    if (line == nullptr) return std::u16string();
    return std::u16string(line, line + std::wcslen(line));
}

} // namespace lumen::os
