// How every description problem is reported: the file, the line when
// known, the key and what is wrong, thrown as a DescriptionError.
#pragma once

#include <string>
#include <toml++/toml.h>

#include "builder/description.h"

namespace lumen::builder {

// "file:line: key: what", the line left out when unknown.
std::string describeProblem(const std::string& source, const toml::source_region* where,
                            const std::string& key, const std::string& what);

[[noreturn]] void throwDescriptionError(const std::string& source, const toml::source_region* where,
                                        const std::string& key, const std::string& what);

} // namespace lumen::builder
