// The class path of the JVM, as the single option "-Djava.class.path=...".
//
// Contract: appendClassPath() appends, each followed by ";": the extraction
// directory's jar files, then its zip files, then the entries of property
// 121 in order (rules in core/class_path.h). A required entry that finds
// nothing fails: message 1008 with "%ENV_VAR_NAME%" for an undefined
// environment variable, otherwise message 1006 with "%FILE_NAME%" (the
// expanded entry name). The option never passes the
// launcher's text buffer: it is cut at a whole element and each element
// left out is logged; the checks of required entries still run. Unless the
// JVM runs in the extraction directory, the separator after the last
// element goes: the JVM would take the empty element behind it as the
// user's current directory and load classes from there.
#pragma once

#include <string>

#include "core/class_path.h"
#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

// option already holds "-Djava.class.path=".
[[nodiscard]] Outcome appendClassPath(Launcher& launcher, std::string& option);

// Appends the entries of directory that match "*.<extension>", each as a
// path resolved against the launcher directory, in the order the file
// system lists them (matching sub-directories too). False when the
// directory does not exist; true otherwise, also when nothing matched.
bool appendArchivesOfDirectory(Launcher& launcher, ClassPathOption& option,
                               const std::string& directory, const std::string& extension);

} // namespace lumen
