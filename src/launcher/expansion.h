// Placeholder expansion of configured texts against this run: the
// launcher directory, the extraction directory and the process environment.
//
// Contract: expands in place (rules in core/expansion.h); a result that
// would pass the launcher's text buffer keeps the placeholders that did not
// fit and the loss is logged as an error line. Never fails otherwise.
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {

void expandVariables(Launcher& launcher, std::string& text);

} // namespace lumen
