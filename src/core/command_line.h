// The launcher's own command-line switches.
//
// Contract: pure functions over the 8-bit command line as the system hands
// it over. Switch comparisons are case-sensitive; "whole tail" means the
// complete tail equals the switch with nothing before or after it.
#pragma once

#include <string>

namespace lumen {

// The command line without the program name: blanks and tabs skipped, the
// program name skipped (a quoted one up to and past its closing quote, or to
// the end), then blanks and tabs skipped.
std::string commandTailOf(const std::string& commandLine);

// The UTF-16 tail handed over to a running instance: after a quoted program
// name, from its closing quote (none: empty tail); then up to the first
// blank (U+0020 only; none: empty tail); then past every blank after it.
std::u16string commandTailWide(const std::u16string& commandLine);

// Whole tail "__tsx_reboot": the switch the installers built on the launcher
// pass after a restart; a stored interface of theirs, so its name stays.
bool isRestartSwitch(const std::string& tail);
bool isQuietSwitch(const std::string& tail);  // tail begins with "-q"
bool isManualSwitch(const std::string& tail); // whole tail "/manual" or "-manual"

} // namespace lumen
