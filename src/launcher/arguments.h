// The command-line argument list and the argument list of the Java entry
// class.
//
// Contract: splitting follows core/arguments.h. An unmatched quote in the
// command line or in a configured text fails with message 1007. Configured
// texts longer than the launcher's text buffer are cut at a whole argument
// and the cut is logged.
#pragma once

#include <string>
#include <vector>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

using Arguments = std::vector<std::u16string>;

// The process's command line as UTF-16 arguments, the program path first
// (without its enclosing quotes): as the system split them where it did
// (POSIX), else split by the launcher.
[[nodiscard]] Result<Arguments> splitCommandLine(Launcher& launcher);

// A configured text (already expanded and widened) split into arguments;
// what names the text in the log.
[[nodiscard]] Result<Arguments> splitConfiguredText(Launcher& launcher, const std::u16string& text,
                                                    const char* what);

// The entry class's arguments for this configuration (executable type 107,
// main class 122, redirections 102-105, flag 106, fixed arguments 124,
// "-J" handling 125) followed by the command line's.
[[nodiscard]] Result<Arguments> buildJavaArguments(Launcher& launcher,
                                                   const Arguments& commandLine);

} // namespace lumen
