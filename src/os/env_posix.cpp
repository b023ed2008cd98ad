#include "os/env.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "os/text.h"

namespace lumen::os {

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

std::u16string commandLineWide() {
    // Only for the hand-over of a later instance: the launcher takes its
    // arguments from argv as the system split them and never splits this.
    // stdio rather than iostreams: the stub stays free of the locale code.
    std::FILE* file = std::fopen("/proc/self/cmdline", "rb");
    if (file == nullptr) return std::u16string();
    std::string bytes;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    (void)std::fclose(file); // read-only: nothing to lose
    std::u16string line;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        if (!line.empty()) line += u' ';
        line += wideFromNarrow(bytes.substr(start, end - start));
        start = end + 1;
    }
    return line;
}

} // namespace lumen::os
