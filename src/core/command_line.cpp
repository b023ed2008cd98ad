#include "core/command_line.h"

namespace lumen {
namespace {
bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }
} // namespace

std::string commandTailOf(const std::string& commandLine) {
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && isBlankOrTab(commandLine[i])) ++i;
    if (i < n && commandLine[i] == '"') {
        ++i;
        while (i < n && commandLine[i] != '"') ++i;
        if (i < n) ++i;
    } else {
        while (i < n && !isBlankOrTab(commandLine[i])) ++i;
    }
    while (i < n && isBlankOrTab(commandLine[i])) ++i;
    return commandLine.substr(i);
}

bool isRestartSwitch(const std::string& tail) { return tail == "__tsx_reboot"; }

bool isQuietSwitch(const std::string& tail) { return tail.compare(0, 2, "-q") == 0; }

bool isManualSwitch(const std::string& tail) { return tail == "/manual" || tail == "-manual"; }

} // namespace lumen
