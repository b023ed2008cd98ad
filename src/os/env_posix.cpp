#include "os/env.h"

#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "os/text.h"

extern char** environ;

namespace lumen::os {
namespace {
std::vector<std::string> arguments;
bool argumentsSet = false;
} // namespace

bool getEnv(const std::string& name, std::string& value) {
    const char* found = std::getenv(name.c_str());
    if (found == nullptr) {
        value.clear();
        return false;
    }
    value = found;
    return true;
}

void setEnv(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

bool setCurrentDirectory(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

bool currentDirectory(std::string& out) {
    std::vector<char> buffer(8192);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return false;
    out = buffer.data();
    return true;
}

std::vector<std::string> environmentBlock() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

void setSystemArguments(int argc, char** argv) {
    arguments.assign(argv, argv + argc);
    argumentsSet = true;
}

const std::vector<std::string>* systemArguments() {
    return argumentsSet ? &arguments : nullptr;
}

std::u16string commandLineWide() {
    // Only for the log and the hand-over of a later instance: the launcher
    // takes its arguments from systemArguments() and never splits this.
    std::u16string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += u' ';
        line += wideFromNarrow(argument);
    }
    return line;
}

} // namespace lumen::os
