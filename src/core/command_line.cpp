#include "core/command_line.h"

namespace lumen {
namespace {
bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

std::string commandTailOf(const std::string& commandLine) {
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && isBlankOrTab(commandLine[i]))
        ++i;
    if (i < n && commandLine[i] == '"') {
        ++i;
        while (i < n && commandLine[i] != '"')
            ++i;
        if (i < n) ++i;
    } else {
        while (i < n && !isBlankOrTab(commandLine[i]))
            ++i;
    }
    while (i < n && isBlankOrTab(commandLine[i]))
        ++i;
    return commandLine.substr(i);
}

bool isRestartSwitch(const std::string& tail) {
    return tail == "__tsx_reboot";
}

bool isQuietSwitch(const std::string& tail) {
    return tail.compare(0, 2, "-q") == 0;
}

bool isManualSwitch(const std::string& tail) {
    return tail == "/manual" || tail == "-manual";
}

std::u16string commandTailWide(const std::u16string& commandLine) {
    size_t from = 0;
    if (!commandLine.empty() && commandLine[0] == u'"') {
        from = commandLine.find(u'"', 1);
        if (from == std::u16string::npos) return std::u16string();
    }
    size_t blank = commandLine.find(u' ', from);
    if (blank == std::u16string::npos) return std::u16string();
    while (blank < commandLine.size() && commandLine[blank] == u' ')
        ++blank;
    return commandLine.substr(blank);
}

} // namespace lumen
