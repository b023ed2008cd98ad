// The option list handed to JNI_CreateJavaVM.
//
// Contract: buildVmOptions() returns, in this order: the leading options
// (the launcher's system properties), the lines of the VM-options file, the
// class-path option, the configured VM parameters (property 123, expanded
// and split like arguments) and, when property 125 is set, the command-line
// arguments beginning with "-J" without that prefix, and last the java
// command option (core/vm_options.h) when given; it logs "vmoption
// count %d" and "vmoption %d: %s" for each. An option longer than the
// launcher's text buffer is left out and logged. An unmatched quote in the
// VM parameters fails with message 1007, a class-path failure as
// appendClassPath() says.
//
// The VM-options file is "<long path less its last four characters>.vmoptions"
// or else "<long path>.vmoptions" beside the executable. When the long form
// of the executable's path cannot be had, the short module path is used
// for both names instead of reading no file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

// The VM-options file opened for reading in text mode, or nullptr.
std::FILE* openVmOptionsFile(const Launcher& launcher);
// The file's options (rules in core/vm_options.h); empty without a file.
std::vector<std::string> readVmOptionsFile(const Launcher& launcher);

// Splits an ANSI text into pieces as arguments are split and appends each
// as an option.
[[nodiscard]] Outcome splitIntoOptions(Launcher& launcher, const std::string& text,
                                       std::vector<std::string>& options);

[[nodiscard]] Result<std::vector<std::string>>
buildVmOptions(Launcher& launcher, const std::vector<std::string>& leadingOptions,
               const std::vector<std::u16string>& arguments, const std::string& javaCommand);

} // namespace lumen
