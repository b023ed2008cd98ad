// Writing a launcher: the stub's image up to the end of its last section,
// the configuration block, then each included file (size, scrambled bytes).
// A Windows stub's resources are first rewritten from the description
// (launcher_resources.h) and its checksum is set over the whole launcher;
// a Linux stub is taken as it is, and its splash picture (for the runtime's
// own splash screen) follows the included files as a PNG named
// lumen-splash.png.
//
// Contract: the output appears whole or not at all: it is written under a
// temporary name in the output's directory and renamed over the output; on
// any failure the temporary file is removed and BuildError thrown.
#pragma once

#include <stdexcept>
#include <string>

#include "builder/description.h"

namespace lumen::builder {

struct BuildError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws DescriptionError when the stub is not a PE or ELF image or its
// resources cannot be rewritten (bad input), BuildError when the output
// cannot be written.
void writeLauncher(const std::string& stubPath, const Description& description,
                   const std::string& outputPath);

} // namespace lumen::builder
